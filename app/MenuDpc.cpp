#include "MenuDpc.h"

#include "AppContext.h"
#include "BusyCursor.h"
#include "ButtonKeys.h"
#include "DrugSearchPage.h"
#include "ErrorTableCache.h"
#include "LoginPage.h"
#include "PanelStatusBar.h"
#include "RegistraPage.h"
#include "ReportsPage.h"
#include "ShowFromStart.h"
#include "StatusPanels.h"
#include "Twips.h"

#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

MenuDpc::MenuDpc(AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_context(context)
{
    setObjectName(QStringLiteral("menu_dpc"));
    setWindowTitle(MessageBoxes::applicationTitle);
    setAccessibleName(MessageBoxes::applicationTitle);
    setFixedSize(Twips::px(12135), Twips::px(7575));
    ButtonKeys::install();

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setAccessibleName(QStringLiteral("Schede"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SSTab1);

    // Only the log-in is built for the first window: the other tabs, their
    // controls and their fonts wait for the log-in that opens them.
    loginPage = new LoginPage(context);
    drugPage = nullptr;
    registraPage = nullptr;
    reportsPage = nullptr;
    for (QWidget*& holder : m_holders) {
        holder = new QWidget;
        (new QVBoxLayout(holder))->setContentsMargins(0, 0, 0, 0);
    }
    const QList<QPair<QWidget*, QString>> pages = {
        {loginPage, QStringLiteral("LOGIN")},
        {m_holders[0], QStringLiteral("RICERCA FARMACO")},
        {m_holders[1], QStringLiteral("REGISTRA")},
        {m_holders[2], QStringLiteral("REPORTS")}};
    for (const auto& [page, caption] : pages) {
        page->setAccessibleName(caption);
        SSTab1->addTab(page, caption);
        page->installEventFilter(this);
    }

    connect(loginPage, &LoginPage::esciRequested, this, &MenuDpc::esci);
    connect(loginPage, &LoginPage::accediRequested, this, &MenuDpc::accedi);
    ShowFromStart::apply(this);

    SSTab1->setCurrentIndex(0);
    connect(SSTab1, &QTabWidget::currentChanged, this, &MenuDpc::SSTab1_Click);
    loginPage->Text_UTE->setFocus();
}

void MenuDpc::buildPages()
{
    if (drugPage)
        return;
    drugPage = new DrugSearchPage(m_context);
    registraPage = new RegistraPage(m_context);
    reportsPage = new ReportsPage(m_context);
    const std::array<QWidget*, 3> pages = {drugPage, registraPage, reportsPage};
    for (size_t i = 0; i < pages.size(); ++i) {
        m_holders[i]->layout()->addWidget(pages[i]);
        ShowFromStart::apply(pages[i]);
    }
    drugPage->attachLoginBoxes(loginPage->Text_UTE, loginPage->Text_PASS);
    for (QPushButton* button : {drugPage->Com_01, registraPage->Com_02, reportsPage->Com_03})
        connect(button, &QPushButton::clicked, this, &MenuDpc::esci);
    for (QPushButton* button : {drugPage->Command6, registraPage->Command5, reportsPage->Command7})
        connect(button, &QPushButton::clicked, this, &MenuDpc::riduci);
    connect(registraPage, &RegistraPage::statusRequested, this, &MenuDpc::status);
}

bool MenuDpc::loginGuard()
{
    if (!m_context.utenti.Nome.neverStored()) {
        buildPages(); // built at the log-in already, unless the session was set up otherwise
        return true;
    }
    SSTab1->setCurrentIndex(0);
    return false;
}

bool MenuDpc::eventFilter(QObject* watched, QEvent* event)
{
    // A page is shown by a tab switch; the toolkit then gives the focus back to
    // the control that last had it there, before the tab selection runs.
    if (event->type() == QEvent::ShowToParent && watched->isWidgetType() &&
        SSTab1->indexOf(static_cast<QWidget*>(watched)) >= 0 && !m_pageSwitch) {
        m_pageSwitch.emplace();
        // Ends at the tab selection, or at the latest once control is back in the loop.
        QTimer::singleShot(0, this, [this] { m_pageSwitch.reset(); });
    }
    return QWidget::eventFilter(watched, event);
}

// The operator did not choose the control the toolkit gave the focus back to:
// leaving it must not start a look-up or a message. The focus goes to the row
// of tabs, quietly, until the tab's own entry (or the operator) puts it somewhere.
void MenuDpc::settleRestoredFocus()
{
    QWidget* restored = focusWidget();
    if (m_pageSwitch && restored && SSTab1->currentWidget()->isAncestorOf(restored))
        FocusWatch::moveQuietly(SSTab1->tabBar());
    m_pageSwitch.reset();
}

void MenuDpc::SSTab1_Click(int index)
{
    settleRestoredFocus();
    m_context.menu.NESSUN_DATO = 0;
    m_context.menu.FARMACO_NON_TROVATO = 0;
    switch (index) {
    case 1:
        if (!loginGuard())
            return;
        status();
        break;
    case 2:
        if (!loginGuard())
            return;
        status();
        registraPage->Command3_Click();
        registraPage->bott_assi->setEnabled(false);
        registraPage->Text120->setFocus(Qt::OtherFocusReason);
        break;
    case 3:
        if (!loginGuard())
            return;
        status();
        registraPage->Command3_Click();
        reportsPage->enter();
        break;
    default:
        break;
    }
}

void MenuDpc::status()
{
    const Utenti& u = m_context.utenti;
    switch (SSTab1->currentIndex()) {
    case 1:
        StatusPanels::fillSession(drugPage->StatusBar1, u);
        registraPage->StatusBar4->clear();
        break;
    case 2:
        StatusPanels::fillSession(registraPage->StatusBar2, u);
        StatusPanels::fillPrescription(registraPage->StatusBar4, u);
        break;
    case 3:
        StatusPanels::fillSession(reportsPage->StatusBar3, u);
        break;
    default:
        break;
    }
}

void MenuDpc::accedi()
{
    if (loginPage->Text_UTE->text().isEmpty() || loginPage->Text_PASS->text().isEmpty()) {
        loginPage->Text_UTE->setFocus(Qt::OtherFocusReason);
        return;
    }
    {
        BusyCursor busy;
        loginPage->LOGIN();
        if (m_context.menu.ERRORE_LOGIN == 1) {
            SSTab1->setCurrentIndex(0);
            // The Enter that started the attempt moved the focus on to "Esci":
            // back to the password, ready to be typed again.
            loginPage->Text_PASS->setFocus(Qt::OtherFocusReason);
            loginPage->Text_PASS->selectAll();
            return;
        }
        loginPage->LEGGE_LOGIN();
        buildPages();
        ErrorTableCache::CARICA_ERR(m_context, this);
    }
    SSTab1->setCurrentIndex(1);
    drugPage->SVUOTA_Click();
}

void MenuDpc::esci()
{
    if (m_context.boxes().ask(this, QStringLiteral("USCIRE DALLA PROCEDURA"), QString()))
        close();
}

void MenuDpc::riduci()
{
    showMinimized();
}
