#pragma once

#include "ListWindow.h"

#include <QString>

class AppContext;
class QTreeWidgetItem;

// The choice among the pharmacies a look-up answered, listed from the export
// file (code, business name, town, district). Enter, a click or a double click
// on a row picks it; Esc or the close box picks nothing.
class SceltaFarmacia : public ListWindow
{
    Q_OBJECT
public:
    SceltaFarmacia(AppContext& context, QWidget* parent = nullptr);

    // LEGGE: rebuilds the list from the staged answer.
    void LEGGE();

    bool picked() const { return m_picked; }
    const QString& codice() const { return m_codice; }
    const QString& ragsoc() const { return m_ragsoc; }

    QTreeWidget* const listfarmacie;

protected:
    void enterPressed() override;

private:
    void pick(QTreeWidgetItem* row);

    AppContext& m_context;
    bool m_picked = false;
    QString m_codice;
    QString m_ragsoc;
};
