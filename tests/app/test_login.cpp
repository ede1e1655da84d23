#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "LoginPage.h"
#include "MainWindowFixture.h"
#include "PanelStatusBar.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace Demo::Fixtures;

using namespace TestService;

namespace {

QByteArray loginAnswer(const QByteArray& fields)
{
    return answer("<LoginUserResponse xmlns=\"http://tempuri.org/\"><LoginUserResult>" + fields +
                  "</LoginUserResult></LoginUserResponse>");
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_Login : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void otherTabsStayClosedBeforeAnyAttempt();
    void keyboardLogInOpensDrugSearch();
    void clickLogInSendsTrimmedCredentials();
    void letterKeyOnAccediStartsLogIn();
    void tabOnAccediOnlyMovesTheFocus();
    void emptyOrBlankBoxesSendNothing();
    void failedLogInKeepsSessionAndBlanksName();
    void unreachableServiceFailsLikeWrongCredentials();
    void sessionFieldsFromAnswer_data();
    void sessionFieldsFromAnswer();
    void laterLogInWithoutTagKeepsField();
    void failedErrorTableFetchKeepsOldCache();
    void unwritableStagingFileFailsTheLogIn();

private:
    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_Login::initTestCase()
{
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

void tst_Login::otherTabsStayClosedBeforeAnyAttempt()
{
    MainWindowFixture f(unreachable());
    auto* tabs = f.find<QTabWidget>("SSTab1");
    for (int tab : {1, 2, 3}) {
        tabs->setCurrentIndex(tab);
        QCOMPARE(tabs->currentIndex(), 0);
    }
    // Any request would have failed with a message and staged nothing.
    QVERIFY(f.boxes.shown().isEmpty());
    QVERIFY(!QFile::exists(f.stagingPath(StagingFolder::exportFile)));
    QVERIFY(f.context->utenti.Nome.neverStored());
}

void tst_Login::keyboardLogInOpensDrugSearch()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    QVERIFY2(f.boxes.shown().isEmpty(), qPrintable(f.boxes.texts().join('|')));

    const Utenti& u = f.context->utenti;
    QCOMPARE(u.ID, idPA);
    QCOMPARE(u.Prov.text(), QString::fromLatin1(provPA));
    QCOMPARE(u.ASP.text(), QString::fromLatin1(aspPA).leftJustified(50));
    QCOMPARE(u.Nome.text(), QString::fromLatin1(nomePA).leftJustified(40));

    // The log-in boxes are emptied and the operator starts on the AIC box.
    QVERIFY(f.find<QLineEdit>("Text_UTE")->text().isEmpty());
    QVERIFY(f.find<QLineEdit>("Text_PASS")->text().isEmpty());
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Text1"));

    auto* bar = f.find<PanelStatusBar>("StatusBar1");
    QCOMPARE(bar->panelCount(), 3);
    QCOMPARE(bar->text(0), u.ASP.text());
    QCOMPARE(bar->alignment(0), Qt::AlignHCenter);
    QCOMPARE(bar->widthTwips(0), 4100);
    QCOMPARE(bar->text(1), u.Nome.text());
    QCOMPARE(bar->widthTwips(1), 3000);
    QCOMPARE(bar->text(2), QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));

    // The error table is cached, split one element per line, commas turned to stops.
    const QByteArray cache = readAll(f.stagingPath(StagingFolder::errorTableFile));
    QVERIFY(cache.startsWith("<TabErrori>\r<Errore>"));
    QVERIFY(cache.endsWith("</TabErrori>\r\n"));
    QVERIFY(cache.contains("<Errore>12</Errore>\r<Descrizione>RICETTA SCADUTA</Descrizione>"));
    QVERIFY(!cache.contains(','));
}

void tst_Login::clickLogInSendsTrimmedCredentials()
{
    MainWindowFixture f(m_demo.config());
    auto* user = f.find<QLineEdit>("Text_UTE");
    auto* password = f.find<QLineEdit>("Text_PASS");
    QTest::mouseClick(user, Qt::LeftButton);
    QTest::keyClicks(user, QStringLiteral("  ") + userPA + QStringLiteral(" "));
    QTest::mouseClick(password, Qt::LeftButton);
    QTest::keyClicks(password, QStringLiteral(" ") + passwordPA + QStringLiteral("  "));
    QTest::mouseClick(f.find<QPushButton>("Command1"), Qt::LeftButton);

    // The demo service only knows the exact names, so the log-in proves the trim.
    QCOMPARE(f.context->menu.UTENTE_LOGIN, QString::fromLatin1(userPA));
    QCOMPARE(f.context->menu.PASSWORD_LOGIN, QString::fromLatin1(passwordPA));
    QCOMPARE(f.currentTab(), 1);
    QCOMPARE(f.context->menu.ERRORE_LOGIN, 0);
}

void tst_Login::letterKeyOnAccediStartsLogIn()
{
    MainWindowFixture f(m_demo.config());
    auto* user = f.find<QLineEdit>("Text_UTE");
    user->setFocus();
    QTest::keyClicks(user, QString::fromLatin1(userCT));
    QTest::keyClick(user, Qt::Key_Tab);
    QTest::keyClicks(f.find<QLineEdit>("Text_PASS"), QString::fromLatin1(passwordCT));
    QTest::keyClick(f.find<QLineEdit>("Text_PASS"), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QPushButton>("Command1"));
    QTest::keyClick(f.find<QPushButton>("Command1"), Qt::Key_X);
    QCOMPARE(f.currentTab(), 1);
    QCOMPARE(f.context->utenti.Prov.text(), QString::fromLatin1(provCT));
}

void tst_Login::tabOnAccediOnlyMovesTheFocus()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAnswer("<ID>5</ID><Prov>RM</Prov><Nome>OPERATORE</Nome>"));
    MainWindowFixture f(configFor(server));
    auto* user = f.find<QLineEdit>("Text_UTE");
    auto* accedi = f.find<QPushButton>("Command1");
    user->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(user, QStringLiteral("u"));
    QTest::keyClick(user, Qt::Key_Tab);
    QTest::keyClicks(f.find<QLineEdit>("Text_PASS"), QStringLiteral("p"));
    QTest::keyClick(f.find<QLineEdit>("Text_PASS"), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), accedi);

    QTest::keyClick(accedi, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QPushButton>("Bott_esci"));
    accedi->setFocus(Qt::TabFocusReason);
    QTest::keyClick(accedi, Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QLineEdit>("Text_PASS"));
    QCOMPARE(server.requestCount(), 0);
    QCOMPARE(f.currentTab(), 0);
    QVERIFY(f.context->utenti.Nome.neverStored());
}

void tst_Login::emptyOrBlankBoxesSendNothing()
{
    MainWindowFixture f(unreachable());
    auto* user = f.find<QLineEdit>("Text_UTE");
    auto* password = f.find<QLineEdit>("Text_PASS");
    auto* accedi = f.find<QPushButton>("Command1");

    QTest::mouseClick(password, Qt::LeftButton);
    QTest::keyClicks(password, QStringLiteral("x"));
    QTest::mouseClick(accedi, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), user);
    QCOMPARE(f.currentTab(), 0);

    // Blanks pass the first test but trim to nothing: refused without a message.
    QTest::keyClicks(user, QStringLiteral("   "));
    QTest::mouseClick(password, Qt::LeftButton);
    QTest::mouseClick(accedi, Qt::LeftButton);
    QCOMPARE(f.context->menu.ERRORE_LOGIN, 1);
    QCOMPARE(f.currentTab(), 0);
    QVERIFY(f.boxes.shown().isEmpty());
    QVERIFY(f.context->utenti.Nome.neverStored());
}

void tst_Login::failedLogInKeepsSessionAndBlanksName()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    QVERIFY(!f.logIn(userPA, QStringLiteral("not-the-password")));

    QCOMPARE(f.boxes.shown().size(), 1);
    const MessageRequest& box = f.boxes.shown().first();
    QCOMPARE(box.text, QStringLiteral("UTENZA O PASSWORD ERRATA"));
    QCOMPARE(box.title, QStringLiteral("QuorvelDPC"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    const Utenti& u = f.context->utenti;
    QCOMPARE(u.Prov.text(), QString::fromLatin1(provPA));
    QCOMPARE(u.ID, idPA);
    QCOMPARE(u.Nome.text(), QString(40, ' '));
    QCOMPARE(f.context->menu.ERRORE_LOGIN, 1);
    // Ready for the password to be typed again, not on "Esci", where the next
    // Enter would ask to leave the program.
    auto* password = f.find<QLineEdit>("Text_PASS");
    QTRY_COMPARE(QApplication::focusWidget(), password);
    QCOMPARE(password->selectedText(), password->text());

    // The stored blank name opens the other tabs, which show the old authority.
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(3);
    QCOMPARE(f.currentTab(), 3);
    auto* bar = f.find<PanelStatusBar>("StatusBar3");
    QCOMPARE(bar->text(0), QString::fromLatin1(aspPA).leftJustified(50));
    QCOMPARE(bar->text(1), QString(40, ' '));
}

void tst_Login::unreachableServiceFailsLikeWrongCredentials()
{
    MainWindowFixture f(unreachable());
    QVERIFY(!f.logIn(userPA, passwordPA));
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("UTENZA O PASSWORD ERRATA")});
    QCOMPARE(f.context->utenti.Nome.text(), QString(40, ' '));
    QVERIFY(f.context->utenti.Prov.neverStored());
    QVERIFY(!QFile::exists(f.stagingPath(StagingFolder::exportFile)));
}

void tst_Login::sessionFieldsFromAnswer_data()
{
    QTest::addColumn<QByteArray>("idText");
    QTest::addColumn<int>("id");
    QTest::newRow("whole") << QByteArray("17") << 17;
    QTest::newRow("rounded up") << QByteArray("12.6") << 13;
    QTest::newRow("half to even, down") << QByteArray("12.5") << 12;
    QTest::newRow("half to even, up") << QByteArray("13.5") << 14;
    QTest::newRow("blanks and trailing text") << QByteArray("  42abc") << 42;
    QTest::newRow("not a number") << QByteArray("abc") << 0;
}

void tst_Login::sessionFieldsFromAnswer()
{
    QFETCH(QByteArray, idText);
    QFETCH(int, id);
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAnswer("<ID>" + idText +
                                          "</ID><Prov>ROMA</Prov><Regione>12</Regione>"
                                          "<ASP>ASL ROMA 1</ASP><Nome>OPERATORE</Nome>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));

    const Utenti& u = f.context->utenti;
    QCOMPARE(u.ID, id);
    QCOMPARE(u.Prov.text(), QStringLiteral("RO"));
    QCOMPARE(u.Regione.text(), QStringLiteral("12"));
    QCOMPARE(u.ASP.text(), QStringLiteral("ASL ROMA 1") + QString(40, ' '));
    QCOMPARE(u.Nome.text(), QStringLiteral("OPERATORE") + QString(31, ' '));
}

void tst_Login::laterLogInWithoutTagKeepsField()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAnswer("<ID>5</ID><Prov>RM</Prov><ASP>ASL 3</ASP>"
                                          "<Nome>OPERATORE 1</Nome>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    server.setSoapAnswer(200, loginAnswer("<ID>6</ID><Prov>RM</Prov><Nome>OPERATORE 2</Nome>"));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    QCOMPARE(f.context->utenti.ID, 6);
    QCOMPARE(f.context->utenti.ASP.trimmed(), QStringLiteral("ASL 3"));
    QCOMPARE(f.context->utenti.Nome.trimmed(), QStringLiteral("OPERATORE 2"));
}

void tst_Login::failedErrorTableFetchKeepsOldCache()
{
    // The server answers every request with a log-in result, so the error
    // table request finds no result of its own.
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, loginAnswer("<ID>5</ID><Prov>RM</Prov><Nome>OPERATORE</Nome>"));
    MainWindowFixture f(configFor(server));
    const QByteArray oldCache = "<TabErrori>\r<Errore>7</Errore>\r</TabErrori>\r\n";
    {
        QFile file(f.stagingPath(StagingFolder::errorTableFile));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(oldCache);
    }
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("NESSUN DATO TROVATO")});
    QCOMPARE(readAll(f.stagingPath(StagingFolder::errorTableFile)), oldCache);
    QCOMPARE(server.requestCount(), 2);
    QVERIFY(server.lastRequest().body.contains(
        "<LoadTabErrori xmlns='http://tempuri.org/'><prov>RM</prov><da>1</da><a>99999</a>"
        "</LoadTabErrori>"));
}

void tst_Login::unwritableStagingFileFailsTheLogIn()
{
    MainWindowFixture f(m_demo.config());
    // A folder where the staging file should be: the answer cannot be written.
    QVERIFY(QDir(f.folder.path()).mkdir(StagingFolder::exportFile));
    QVERIFY(!f.logIn(userPA, passwordPA));
    QCOMPARE(f.boxes.texts(),
             QStringList{QStringLiteral("IMPOSSIBILE SCRIVERE IL FILE export_xml.xml")});
    QCOMPARE(f.context->menu.ERRORE_LOGIN, 1);
    QCOMPARE(f.context->utenti.Nome.text(), QString(40, ' '));
    QVERIFY(f.context->utenti.Prov.neverStored());
}

QTEST_MAIN(tst_Login)
#include "test_login.moc"
