#include "MainWindowFixture.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

MainWindowFixture::MainWindowFixture(const ServiceConfig& config, bool pagesAtLogIn)
{
    context = std::make_unique<AppContext>(config, StagingFolder(folder.path()), boxes);
    window = std::make_unique<MenuDpc>(*context);
    if (!pagesAtLogIn)
        window->buildPages();
    window->show();
    activate();
}

MainWindowFixture::~MainWindowFixture()
{
    window.reset();
    context.reset();
}

bool MainWindowFixture::logIn(const QString& user, const QString& password)
{
    auto* userBox = find<QLineEdit>("Text_UTE");
    auto* passwordBox = find<QLineEdit>("Text_PASS");
    auto* accedi = find<QPushButton>("Command1");
    window->findChild<QTabWidget*>("SSTab1")->setCurrentIndex(0);
    userBox->setFocus(Qt::MouseFocusReason);
    userBox->clear();
    passwordBox->clear();
    QTest::keyClicks(userBox, user);
    QTest::keyClick(userBox, Qt::Key_Return);
    QTest::keyClicks(passwordBox, password);
    QTest::keyClick(passwordBox, Qt::Key_Return);
    QTest::keyClick(accedi, Qt::Key_Return);
    return currentTab() == 1;
}

void MainWindowFixture::activate()
{
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("main window did not become active");
}

QString MainWindowFixture::stagingPath(const QString& fileName) const
{
    return context->service().staging().path(fileName);
}

int MainWindowFixture::currentTab() const
{
    return window->findChild<QTabWidget*>("SSTab1")->currentIndex();
}
