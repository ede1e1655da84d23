#include "ButtonKeys.h"
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "MainWindowFixture.h"
#include "PanelStatusBar.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace Demo::Fixtures;

class tst_MainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void windowShapeAndTabs();
    void prescriptionStatusBar();
    void tabChangesRebuildOnlyTheirBars();
    void datePanelFollowsMidnight();
    void esciAskedAndAnsweredNo();
    void esciAnsweredYesClosesTheWindow();
    void enterMovesToTheNextField();
    void enterAndSpacePressTheFocusedButton();
    void enterOnButtonsOfAnyDialog();

private:
    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_MainWindow::initTestCase()
{
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

void tst_MainWindow::windowShapeAndTabs()
{
    MainWindowFixture f(m_demo.config(), true);
    QVERIFY(f.window->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(f.window->size(), QSize(809, 505));
    auto* tabs = f.find<QTabWidget>("SSTab1");
    QCOMPARE(tabs->count(), 4);
    const QStringList captions = {QStringLiteral("LOGIN"), QStringLiteral("RICERCA FARMACO"),
                                  QStringLiteral("REGISTRA"), QStringLiteral("REPORTS")};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(tabs->tabText(i), captions[i]);
    QCOMPARE(tabs->currentIndex(), 0);
    // Every control has a name a screen reader can say, or shows data that is
    // read itself and says its purpose in the description. The tabs behind the
    // log-in are built by it: before, choosing one goes back to the log-in.
    QVERIFY(!f.find<QLineEdit>("Text1"));
    tabs->setCurrentIndex(3);
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(f.logIn(userPA, passwordPA));
    QVERIFY(f.find<QLineEdit>("Text1")->isVisible());
    for (QWidget* w : f.window->findChildren<QWidget*>()) {
        if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_") &&
            (qobject_cast<QLineEdit*>(w) || qobject_cast<QPushButton*>(w)))
            QVERIFY2(!w->accessibleName().isEmpty() || !w->accessibleDescription().isEmpty(),
                     qPrintable(w->objectName()));
    }
}

void tst_MainWindow::prescriptionStatusBar()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(2);
    auto* bar4 = f.find<PanelStatusBar>("StatusBar4");
    // No prescription yet (month 0): two empty panels, the session bar filled.
    QCOMPARE(bar4->panelCount(), 2);
    QCOMPARE(bar4->text(0), QString());
    QCOMPARE(bar4->text(1), QString());
    QCOMPARE(f.find<PanelStatusBar>("StatusBar2")->panelCount(), 3);
    QCOMPARE(f.find<PanelStatusBar>("StatusBar2")->text(1).trimmed(), QString::fromLatin1(nomePA));

    Utenti& u = f.context->utenti;
    u.Mese = 9;
    u.Anno = 2024;
    u.Farmacia = 1234;
    u.Ragsoc.set(u"FARMACIA CENTRALE");
    f.window->status();
    QCOMPARE(bar4->text(0), QStringLiteral("SETTEMBRE 2024"));
    QCOMPARE(bar4->alignment(0), Qt::AlignHCenter);
    QCOMPARE(bar4->size(0), PanelStatusBar::Size::Contents);
    QCOMPARE(bar4->text(1), QStringLiteral("1234 - ") + u.Ragsoc.text());
    QCOMPARE(bar4->text(1).size(), 7 + 80);
    QCOMPARE(bar4->size(1), PanelStatusBar::Size::Spring);

    u.Mese = 5;
    f.window->status();
    QCOMPARE(bar4->text(0), QStringLiteral("MAGGIO    2024"));
    // Both ends of the year are months too.
    u.Mese = 12;
    f.window->status();
    QCOMPARE(bar4->text(0), QStringLiteral("DICEMBRE  2024"));
    QCOMPARE(bar4->text(1), QStringLiteral("1234 - ") + u.Ragsoc.text());
    u.Mese = 1;
    f.window->status();
    QCOMPARE(bar4->text(0), QStringLiteral("GENNAIO   2024"));
    u.Mese = 13;
    f.window->status();
    QCOMPARE(bar4->panelCount(), 2);
    QCOMPARE(bar4->text(0), QString());
}

void tst_MainWindow::tabChangesRebuildOnlyTheirBars()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    auto* tabs = f.find<QTabWidget>("SSTab1");
    auto* bar4 = f.find<PanelStatusBar>("StatusBar4");
    tabs->setCurrentIndex(2);
    QCOMPARE(bar4->panelCount(), 2);
    // Entering REGISTRA clears the tab and puts the operator on the number.
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Text120"));
    QVERIFY(!f.find<QPushButton>("bott_assi")->isEnabled());

    tabs->setCurrentIndex(3);
    QCOMPARE(bar4->panelCount(), 2);
    QCOMPARE(f.find<PanelStatusBar>("StatusBar3")->panelCount(), 3);
    tabs->setCurrentIndex(1);
    QCOMPARE(bar4->panelCount(), 0);
    QCOMPARE(f.find<PanelStatusBar>("StatusBar1")->panelCount(), 3);
}

void tst_MainWindow::datePanelFollowsMidnight()
{
    QDateTime now(QDate(2024, 12, 31), QTime(23, 59, 59, 900));
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    auto* bar = f.find<PanelStatusBar>("StatusBar1");
    bar->setClock([&now] { return now; });
    const auto shortDate = [](int y, int m, int d) {
        return QLocale::system().toString(QDate(y, m, d), QLocale::ShortFormat);
    };
    QCOMPARE(bar->text(2), shortDate(2024, 12, 31));
    // The session stays open past midnight, no tab is selected again.
    now = QDateTime(QDate(2025, 1, 1), QTime(0, 0, 0, 100));
    QTRY_COMPARE(bar->text(2), shortDate(2025, 1, 1));
    QCOMPARE(bar->text(1).trimmed(), QString::fromLatin1(nomePA));
}

void tst_MainWindow::esciAskedAndAnsweredNo()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    // Leaving the AIC box for the button runs its look-up first, as any move out of it.
    auto* aic = f.find<QLineEdit>("Text1");
    QTest::keyClicks(aic, QString::fromLatin1(aicPlan));
    const QString nome = f.context->utenti.Nome.text();

    QTest::mouseClick(f.find<QPushButton>("Com_01"), Qt::LeftButton);
    QCOMPARE(f.boxes.shown().size(), 1);
    const MessageRequest& box = f.boxes.shown().first();
    QCOMPARE(box.text, QStringLiteral("USCIRE DALLA PROCEDURA"));
    QCOMPARE(box.title, QString());
    QCOMPARE(box.icon, QMessageBox::Question);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);

    QVERIFY(f.window->isVisible());
    QCOMPARE(aic->text(), QString::fromLatin1(aicPlan));
    QCOMPARE(f.find<QLineEdit>("Text_AIC")->text().trimmed(), QString::fromLatin1(aicPlan));
    QCOMPARE(f.context->utenti.Nome.text(), nome);
    QCOMPARE(f.currentTab(), 1);
}

void tst_MainWindow::esciAnsweredYesClosesTheWindow()
{
    MainWindowFixture f(m_demo.config());
    f.boxes.answerNext(QMessageBox::Yes);
    QTest::mouseClick(f.find<QPushButton>("Bott_esci"), Qt::LeftButton);
    QVERIFY(!f.window->isVisible());
}

void tst_MainWindow::enterMovesToTheNextField()
{
    MainWindowFixture f(m_demo.config());
    auto* user = f.find<QLineEdit>("Text_UTE");
    user->setFocus();
    QTest::keyClicks(user, QStringLiteral("ab"));
    QTest::keyClick(user, Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QCOMPARE(user->text(), QStringLiteral("ab"));
    QCOMPARE(QApplication::focusWidget(), f.find<QPushButton>("Command1"));
    QVERIFY(f.find<QLineEdit>("Text_PASS")->text().isEmpty());
}

void tst_MainWindow::enterAndSpacePressTheFocusedButton()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(
        200, TestService::answer("<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OP</Nome>"
                                 "</LoginUserResult><FarmacoDPCbyAICResult>"
                                 "<Farmaco>HUMIRA</Farmaco></FarmacoDPCbyAICResult>"));
    MainWindowFixture f(TestService::configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    f.boxes.clear(); // the answer holds no error table
    const int before = server.requestCount();

    auto* ricerca = f.find<QPushButton>("Com_RIC_MN");
    ricerca->setFocus(Qt::TabFocusReason);
    f.context->menu.AIC_CERCATO = QStringLiteral("035946023");
    QTest::keyClick(ricerca, Qt::Key_Return);
    QCOMPARE(server.requestCount(), before + 1);
    QCOMPARE(f.find<QLineEdit>("Text_FARMA")->text().trimmed(), QStringLiteral("HUMIRA"));
    QTest::keyClick(ricerca, Qt::Key_Space);
    QCOMPARE(server.requestCount(), before + 2);

    auto* svuota = f.find<QPushButton>("SVUOTA");
    svuota->setFocus(Qt::TabFocusReason);
    QTest::keyClick(svuota, Qt::Key_Enter);
    QVERIFY(f.find<QLineEdit>("Text_FARMA")->text().isEmpty());
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Text1"));

    auto* esci = f.find<QPushButton>("Com_01");
    esci->setFocus(Qt::TabFocusReason);
    QTest::keyClick(esci, Qt::Key_Return);
    QTest::keyClick(esci, Qt::Key_Space);
    QCOMPARE(f.boxes.texts(), QStringList(2, QStringLiteral("USCIRE DALLA PROCEDURA")));

    auto* riduci = f.find<QPushButton>("Command6");
    riduci->setFocus(Qt::TabFocusReason);
    QTest::keyClick(riduci, Qt::Key_Return);
    QTRY_VERIFY(f.window->isMinimized());
}

void tst_MainWindow::enterOnButtonsOfAnyDialog()
{
    // A modal window built later gets the same keys without doing anything;
    // Enter presses the focused button, not the dialog's default one.
    MainWindowFixture f(TestService::unreachable());
    QDialog dialog(f.window.get());
    auto* focused = new QPushButton(QStringLiteral("Uno"), &dialog);
    auto* byDefault = new QPushButton(QStringLiteral("Due"), &dialog);
    auto* own = new QPushButton(QStringLiteral("Tre"), &dialog);
    auto* layout = new QHBoxLayout(&dialog);
    for (QPushButton* b : {focused, byDefault, own})
        layout->addWidget(b);
    focused->setAutoDefault(false);
    own->setAutoDefault(false);
    byDefault->setDefault(true);
    ButtonKeys::keepOwnKeys(own);
    QStringList pressed;
    for (QPushButton* b : {focused, byDefault, own})
        QObject::connect(b, &QPushButton::clicked, [&pressed, b] { pressed << b->text(); });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));

    focused->setFocus(Qt::TabFocusReason);
    QTest::keyClick(focused, Qt::Key_Return);
    // A button that keeps its own keys is left to them (here: none).
    byDefault->setDefault(false);
    own->setFocus(Qt::TabFocusReason);
    QTest::keyClick(own, Qt::Key_Return);
    QCOMPARE(pressed, (QStringList{QStringLiteral("Uno")}));
}

QTEST_MAIN(tst_MainWindow)
#include "test_main_window.moc"
