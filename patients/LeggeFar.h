#pragma once

#include "ListWindow.h"

class AppContext;

// The drugs dispensed to the patient of the current prescription, one row per
// ATC group, with the current drug's molecule selected. Picking a row opens
// the packages of that ATC code (legge_ATC) over this window.
class LeggeFar : public ListWindow
{
    Q_OBJECT
public:
    // Asks the service for the patient's drugs (idassistito) and fills the list.
    LeggeFar(AppContext& context, QWidget* parent = nullptr);

    // LEGGE: rebuilds the list from the staged answer, then runs trova.
    void LEGGE();
    // trova: selects the first row whose columns after the group begin with
    // Molecola (letter case ignored) and scrolls it into view; else the first row.
    void trova();

    QTreeWidget* listricette;

protected:
    bool listClicked(QMouseEvent* event) override;
    void enterPressed() override;
    void showEvent(QShowEvent* event) override;

private:
    void openAtc();

    AppContext& m_context;
};
