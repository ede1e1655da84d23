#pragma once

#include "ListWindow.h"

class AppContext;

// The packages of one ATC code (ATC_SCELTO) dispensed to the patient. It only
// shows them: Enter and double click do nothing, Esc closes it.
class LeggeAtc : public ListWindow
{
    Q_OBJECT
public:
    // Asks the service for the packages and fills the list.
    LeggeAtc(AppContext& context, QWidget* parent = nullptr);

    // LEGGE: rebuilds the list from the staged answer.
    void LEGGE();

    QTreeWidget* listfarmaci;

private:
    AppContext& m_context;
};
