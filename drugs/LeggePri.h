#pragma once

#include <QDialog>

class AppContext;
class QTreeWidget;

// The drugs of one active ingredient, listed from the export file; a pick hands
// the row's AIC back in AIC_SCELTO.
class LeggePri : public QDialog
{
    Q_OBJECT
public:
    LeggePri(AppContext& context, QWidget* parent = nullptr);

    // LEGGE: rebuilds the list from the staged answer.
    void LEGGE();

    QTreeWidget* listricette;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pickAndClose();

    AppContext& m_context;
};
