#pragma once

#include <QDialog>

class AppContext;
class QTreeWidget;

// The error-code table, read from the cache file and narrowed by the code
// (Errore_ricerca) and the piece of description (Descrizione) the caller set.
// A pick hands the row back in Errore, Descrizione, TipoAddebito and Soggetto.
class VedeErrori : public QDialog
{
    Q_OBJECT
public:
    explicit VedeErrori(AppContext& context, QWidget* parent = nullptr);

    // LEGGE: rebuilds the list from the cache file. A single matching row is
    // picked at once, so it counts as chosen even if the window is then closed.
    void LEGGE();

    QTreeWidget* listricette;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pick();

    AppContext& m_context;
};
