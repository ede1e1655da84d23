#pragma once

#include "FocusWatch.h"

#include <QWidget>
#include <optional>

class AppContext;
class DrugSearchPage;
class LoginPage;
class QTabWidget;
class RegistraPage;
class ReportsPage;

// The main window: frameless, its client area covered by the four tabs on
// which all work is done. Closing it ends the program.
class MenuDpc : public QWidget
{
    Q_OBJECT
public:
    explicit MenuDpc(AppContext& context, QWidget* parent = nullptr);

    // Rebuilds the status bars of the selected tab.
    void status();

    QTabWidget* SSTab1;
    LoginPage* loginPage;
    DrugSearchPage* drugPage;
    RegistraPage* registraPage;
    ReportsPage* reportsPage;

public slots:
    void esci();   // "Esci" on any tab
    void riduci(); // "Riduci" on any tab

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SSTab1_Click(int index);
    void settleRestoredFocus();
    bool loginGuard();
    void accedi(); // the log-in action of "ACCEDI"

    AppContext& m_context;
    std::optional<FocusWatch::Quiet> m_pageSwitch; // from a page's showing to its tab selection
};
