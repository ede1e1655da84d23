#pragma once

#include "ListWindow.h"

class AppContext;

// The drugs of one active ingredient, listed from the export file; a pick hands
// the row's AIC back in AIC_SCELTO.
class LeggePri : public ListWindow
{
    Q_OBJECT
public:
    LeggePri(AppContext& context, QWidget* parent = nullptr);

    // LEGGE: rebuilds the list from the staged answer.
    void LEGGE();

    QTreeWidget* listricette;

protected:
    bool listClicked(QMouseEvent* event) override;
    void enterPressed() override;
    void escapePressed() override;

private:
    void pickAndClose();

    AppContext& m_context;
};
