#pragma once

#include "FocusWatch.h"

#include <QWidget>
#include <array>
#include <optional>

class AppContext;
class DrugSearchPage;
class LoginPage;
class QTabWidget;
class RegistraPage;
class ReportsPage;

// The main window: frameless, its client area covered by the four tabs on
// which all work is done. Closing it ends the program. The three tabs behind
// the log-in are built at the first log-in: until then they hold nothing and
// drugPage, registraPage and reportsPage are null.
class MenuDpc : public QWidget
{
    Q_OBJECT
public:
    explicit MenuDpc(AppContext& context, QWidget* parent = nullptr);

    // Rebuilds the status bars of the selected tab.
    void status();
    // Builds the tabs behind the log-in now, once (the log-in does otherwise):
    // for tests that drive a tab with no service to log in to.
    void buildPages();

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
    std::array<QWidget*, 3> m_holders{};           // the tab pages the three are built into
    std::optional<FocusWatch::Quiet> m_pageSwitch; // from a page's showing to its tab selection
};
