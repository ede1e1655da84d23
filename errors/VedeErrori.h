#pragma once

#include "ListWindow.h"

class AppContext;

// The error-code table, read from the cache file and narrowed by the code
// (Errore_ricerca) and the piece of description (Descrizione) the caller set.
// A pick hands the row back in Errore, Descrizione, TipoAddebito and Soggetto.
class VedeErrori : public ListWindow
{
    Q_OBJECT
public:
    explicit VedeErrori(AppContext& context, QWidget* parent = nullptr);

    // LEGGE: rebuilds the list from the cache file. A single matching row is
    // picked at once, so it counts as chosen even if the window is then closed.
    void LEGGE();

    QTreeWidget* const listricette;

protected:
    // A click picks the current row (none on an empty list) and closes; Enter
    // picks and closes only when there are rows.
    bool listClicked(QMouseEvent* event) override;
    void enterPressed() override;

private:
    void pick();

    AppContext& m_context;
};
