// Registering an error on the registration tab: the error code and its
// search, the quantity, clearing the tab, and the registration sent.
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "ModalDriver.h"
#include "PanelStatusBar.h"
#include "RegistraSteps.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <memory>

using namespace Demo::Fixtures;
using namespace RegistraSteps;
using namespace TestService;

namespace {

const auto pressEsc = [](QTreeWidget* list) { QTest::keyClick(list, Qt::Key_Escape); };

} // namespace

class tst_Registration : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void keyboardOnlyRegistration();
    void errorChoice();
    void quantityFilter();
    void clearingAndLeavingTheTab();
    void submission_data();
    void submission();
    void rejectedNumberIsNeverRegistered();

private:
    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_Registration::initTestCase()
{
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

void tst_Registration::keyboardOnlyRegistration()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    const QList<QPair<QString, QString>> month = {
        {"prov", "PA"}, {"flusso", "2"}, {"anno", "2024"}, {"mese", "9"}, {"farmacia", "1234"}};
    const auto listed = [&] {
        const QString response = f.context->service().post("F_LoadErroreByAnnoMese", month);
        return ServiceCall::inMemory(response, "F_LoadErroreByAnnoMese", true).value_or("");
    };
    const qsizetype before = listed().count(QStringLiteral("<ID>"));
    enterTab(f);

    // Every key goes to whatever has the focus.
    const auto type = [](const QString& text, Qt::Key then) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), then);
    };
    type(QStringLiteral("12345"), Qt::Key_Return);
    type(QStringLiteral("0000043211"), Qt::Key_Return);
    QCOMPARE(focusName(), QStringLiteral("Text_COD_AIC"));
    QCOMPARE(f.find<QLabel>("Label18")->text(), QString::fromLatin1(prescriptionProgressive));
    QCOMPARE(f.find<QPushButton>("bott_assi")->text(),
             QStringLiteral("ASSISTITO : RUSSO GIUSEPPE - Cod.Fisc. RSSGPP50A01G273X"));
    QVERIFY(f.find<QPushButton>("bott_assi")->isEnabled());
    QCOMPARE(f.find<PanelStatusBar>("StatusBar4")->text(0), QStringLiteral("SETTEMBRE 2024"));
    QCOMPARE(f.find<PanelStatusBar>("StatusBar4")->text(1),
             QStringLiteral("1234 - ") + QString::fromLatin1(pharmacyName).leftJustified(80));
    type(QString::fromLatin1(aicPlan), Qt::Key_Return);
    QCOMPARE(text(f, "Text_DESCR_AIC"), QString::fromLatin1(namePlan));
    QCOMPARE(focusName(), QStringLiteral("Text_COD_ERR"));

    // The error code's single row: Enter in the list takes it.
    bool listHadFocus = false;
    ModalDriver driver([&listHadFocus](QWidget* modal) {
        // The window takes the focus once it is active; the keys go to its list
        // even if it never does, so a fault fails the test instead of hanging it.
        auto* list = modal->findChild<QTreeWidget*>(QStringLiteral("listricette"));
        listHadFocus = QTest::qWaitFor([list] { return QApplication::focusWidget() == list; });
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    });
    type(QStringLiteral("12"), Qt::Key_Return);
    QTRY_VERIFY(driver.acted());
    QVERIFY(listHadFocus);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    f.activate();
    QTRY_COMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));

    // The quantity is one Tab after the button; back with Shift+Tab.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(focusName(), QStringLiteral("Text_QTA_AIC"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    type(QStringLiteral("1"), Qt::Key_Backtab);
    QCOMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));

    // Enter on the focused button presses it.
    f.boxes.answerNext(QMessageBox::Yes);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(f.boxes.texts().size(), 2);
    const MessageRequest& confirm = f.boxes.shown().at(0);
    QCOMPARE(confirm.text.split(u'\n'),
             (QStringList{"Registrare :", "Mese / Anno : 9/2024", "Farmacia N° 1234",
                          "Ricetta  N° 123450000043211", "AIC      N° 035946023 Q.tà 1",
                          "Errore   N° 12"}));
    QCOMPARE(confirm.title, QStringLiteral("QuorvelDPC"));
    QCOMPARE(confirm.icon, QMessageBox::Question);
    QCOMPARE(f.boxes.texts().at(1), QStringLiteral("REGISTRAZIONE EFFETTUATA"));

    // The service lists it, with the amount of one package.
    const QString now = listed();
    QCOMPARE(now.count(QStringLiteral("<ID>")), before + 1);
    const QString last = now.mid(now.lastIndexOf(QStringLiteral("<Errore>")));
    for (const char* expected :
         {"<NumricKey>123450000043211</NumricKey>", "<AIC>035946023</AIC>", "<Pezzi>1</Pezzi>",
          "<Lordo>1234.50</Lordo>", "<CodErrore>12</CodErrore>"})
        QVERIFY2(last.contains(QLatin1String(expected)), expected);
    // Nothing on the tab changed: a further error can be recorded at once.
    QCOMPARE(text(f, "Text_COD_ERR"), QStringLiteral("12"));
}

void tst_Registration::errorChoice()
{
    auto tab = onTheTab(world());
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    auto* code = f.find<QLineEdit>("Text_COD_ERR");
    QVERIFY(opensNoWindow(f, "Text_COD_ERR", QStringLiteral("0")));
    code->clear();
    QVERIFY(opensNoWindow(f, "Text_COD_ERR", QStringLiteral("ab")));
    code->clear();

    // A unique row counts as chosen even when the window is left with Esc.
    QStringList listed;
    QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("7"), [&](QTreeWidget* list) {
        listed = rows(list);
        pressEsc(list);
    }));
    QCOMPARE(listed, QStringList{"7|RICETTA SCADUTA|Totale|Farmacia"});
    QCOMPARE(text(f, "Text_DESCR_ERR"), QStringLiteral("RICETTA SCADUTA"));
    QCOMPARE(text(f, "Text_add"), QStringLiteral("Totale"));
    QCOMPARE(f.find<QLineEdit>("Text_sogg")->text(), QStringLiteral("Farmacia").leftJustified(80));
    // Their trailing blanks kept, the narrow fields still show the start of the text.
    QCOMPARE(f.find<QLineEdit>("Text_add")->cursorPosition(), 0);
    QCOMPARE(f.find<QLineEdit>("Text_sogg")->cursorPosition(), 0);
    QTRY_COMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));

    // With an error chosen, another code typed over it changes nothing.
    code->setFocus(Qt::MouseFocusReason);
    code->clear();
    QVERIFY(opensNoWindow(f, "Text_COD_ERR", QStringLiteral("9")));
    QCOMPARE(text(f, "Text_add"), QStringLiteral("Totale"));
    QCOMPARE(f.context->utenti.Errore, 7);

    // After SVUOTA a code matching nothing leaves no error, the focus back in the field.
    QTest::mouseClick(f.find<QPushButton>("BOTT_SVUOTA"), Qt::LeftButton);
    QCOMPARE(text(f, "Text_add"), QString());
    QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("99"), [&](QTreeWidget* list) {
        listed = rows(list);
        pressEsc(list);
    }));
    QCOMPARE(listed, QStringList());
    QCOMPARE(f.context->utenti.Errore, 0);
    QTRY_COMPARE(focusName(), QStringLiteral("Text_COD_ERR"));

    // By description, case-sensitive; Enter takes the row selected.
    code->clear();
    QVERIFY(searchError(f, "Text_DESCR_ERR", QStringLiteral("RICETTA"), [&](QTreeWidget* list) {
        listed = rows(list);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    }));
    QCOMPARE(listed.size(), 2);
    QCOMPARE(text(f, "Text_COD_ERR"), QStringLiteral("8"));

    // Moving from the words straight into the emptied code field clears the
    // error fields on the way, yet the words typed are what is searched.
    QTest::mouseClick(f.find<QPushButton>("BOTT_SVUOTA"), Qt::LeftButton);
    f.find<QPlainTextEdit>("Text_DESCR_ERR")->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ricetta"));
    ModalDriver driver([&](QWidget* modal) {
        listed = rows(modal->findChild<QTreeWidget*>());
        modal->close();
    });
    code->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(driver.acted());
    QCOMPARE(listed, QStringList{"9|ricetta smarrita|Nessuno|farmacia di turno"});
    QCOMPARE(text(f, "Text_COD_ERR"), QStringLiteral("9"));
}

void tst_Registration::quantityFilter()
{
    MainWindowFixture f(unreachable());
    auto* box = f.find<QLineEdit>("Text_QTA_AIC");
    QCOMPARE(box->text(), QStringLiteral("2"));
    const QList<QPair<QString, QString>> cases = {
        {"123", "12"}, {"-1", "-1"}, {"1,", "1,"}, {"a. 1b", "1"}};
    for (const auto& [typed, kept] : cases) {
        box->clear();
        typeIn(f, "Text_QTA_AIC", typed);
        QCOMPARE(box->text(), kept);
    }
}

void tst_Registration::clearingAndLeavingTheTab()
{
    auto tab = onTheTab(world());
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    typeNumber(f, QStringLiteral("999000000000001"));
    typeIn(f, "Text_COD_AIC", QStringLiteral("035683042"));
    QCOMPARE(text(f, "Text_MOLECO"), QStringLiteral("ENOXAPARINA"));
    // A click in the drug's name moves on to the error code, with no second look-up.
    const int sent = server.requestCount();
    QTest::mouseClick(f.find<QLineEdit>("Text_DESCR_AIC"), Qt::LeftButton);
    QTRY_COMPARE(focusName(), QStringLiteral("Text_COD_ERR"));
    QCOMPARE(server.requestCount(), sent);
    QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("7"), pressEsc));
    f.find<QLineEdit>("Text_QTA_AIC")->setText(QStringLiteral("5"));

    QTest::mouseClick(f.find<QPushButton>("Command3"), Qt::LeftButton);
    QWidget* page = f.find<QTabWidget>("SSTab1")->widget(2);
    for (QLineEdit* box : page->findChildren<QLineEdit*>())
        QVERIFY2(box->text().isEmpty() || box->objectName() == "Text_QTA_AIC",
                 qPrintable(box->objectName()));
    QCOMPARE(text(f, "Text_DESCR_ERR"), QString());
    QCOMPARE(text(f, "Text_QTA_AIC"), QStringLiteral("5"));
    QCOMPARE(f.find<QLabel>("Label18")->text(), QString());
    QVERIFY(!f.find<QPushButton>("bott_assi")->isEnabled());
    QCOMPARE(f.find<PanelStatusBar>("StatusBar4")->text(1), QString());
    QCOMPARE(focusName(), QStringLiteral("Text120"));
    QCOMPARE(f.context->utenti.Errore, 0);
    QCOMPARE(f.context->menu.AIC_CERCATO, QString());
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QCOMPARE(f.boxes.texts(), QStringList{"NUMERO RICETTA MANCANTE"}); // nothing left to register

    // REPORTS clears the tab too, but leaves no focus on its hidden controls.
    typeIn(f, "Text_COD_AIC", QStringLiteral("1"));
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(3);
    QCOMPARE(text(f, "Text_COD_AIC"), QString());
    QVERIFY(!QApplication::focusWidget() || !page->isAncestorOf(QApplication::focusWidget()));
    enterTab(f);

    // Every control carries a name, and an accessible name for screen readers
    // or, where the text shown is data and is read itself, a description.
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
            qobject_cast<QPushButton*>(w) || qobject_cast<QGroupBox*>(w) ||
            (qobject_cast<QLabel*>(w) && w->parentWidget() != f.find<QWidget>("StatusBar4") &&
             w->parentWidget() != f.find<QWidget>("StatusBar2")))
            QVERIFY2(!w->objectName().isEmpty() &&
                         (!w->accessibleName().isEmpty() || !w->accessibleDescription().isEmpty()),
                     qPrintable(w->objectName()));
    }
}

void tst_Registration::submission_data()
{
    QTest::addColumn<QString>("code"); // error chosen, if any
    QTest::addColumn<QByteArray>("registration");
    QTest::addColumn<QStringList>("messages");
    const QByteArray record = "<ErroreDPCResult><Errore><ID>9</ID></Errore>nota, altro"
                              "</ErroreDPCResult>";
    const QString confirm = QStringLiteral("?");
    QTest::newRow("no error chosen") << "" << record << QStringList{"Soggetto non Farmacia"};
    QTest::newRow("FARMACIA in capitals") << "8" << record << QStringList{"Soggetto non Farmacia"};
    QTest::newRow("recorded") << "9" << record << QStringList{confirm, "REGISTRAZIONE EFFETTUATA"};
    QTest::newRow("no record in the result")
        << "9" << QByteArray("<ErroreDPCResult>OK</ErroreDPCResult><Errore>")
        << QStringList{confirm, "REGISTRAZIONE NON RIUSCITA"};
    QTest::newRow("no result") << "9" << QByteArray("<ErroreDPCResponse/>")
                               << QStringList{confirm, "REGISTRAZIONE NON RIUSCITA"};
    // No answer, and none to the look-up before either: nothing is known.
    QTest::newRow("no answer") << "9" << QByteArray()
                               << QStringList{confirm,
                                              "ESITO DELLA REGISTRAZIONE NON CONFERMATO: "
                                              "VERIFICARE IN REPORTS PRIMA DI REGISTRARE DI NUOVO"};
}

void tst_Registration::submission()
{
    QFETCH(QString, code);
    QFETCH(QByteArray, registration);
    QFETCH(QStringList, messages);
    auto tab = onTheTab(world(foundPrescription, registration));
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    typeNumber(f, QStringLiteral("999000000000001"));
    typeIn(f, "Text_COD_AIC", QStringLiteral("012345678"));
    if (!code.isEmpty())
        QVERIFY(searchError(f, "Text_COD_ERR", code, pressEsc));
    f.boxes.clear();
    const int before = server.requestCount();

    // Answered No: no registration is sent.
    const auto registrations = [&server] {
        QList<QByteArray> bodies;
        for (const TlsRequest& r : server.requests()) {
            if (r.header("SOAPAction").endsWith("/ErroreDPC"))
                bodies << r.body;
        }
        return bodies;
    };
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QCOMPARE(registrations().size(), 0);
    f.boxes.clear();

    f.boxes.answerNext(QMessageBox::Yes);
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QStringList shown = f.boxes.texts();
    if (shown.size() == 2)
        shown[0] = QStringLiteral("?");
    QCOMPARE(shown, messages);
    QCOMPARE(f.boxes.shown().last().icon, QMessageBox::NoIcon);
    QCOMPARE(f.boxes.shown().last().title, QStringLiteral("QuorvelDPC"));
    if (messages.size() == 1) {
        QCOMPARE(server.requestCount(), before); // not even a look-up
        return;
    }
    // Numbers without leading zeros, the prescription number whole.
    QCOMPARE(registrations().size(), 1);
    QVERIFY2(registrations().first().contains(
                 "<ErroreDPC xmlns='http://tempuri.org/'><prov>PA</prov><anno>2024</anno>"
                 "<mese>3</mese><codfarma>77</codfarma><numrickey>999000000000001</numrickey>"
                 "<aic>012345678</aic><pezzi>2</pezzi><errore>9</errore></ErroreDPC>"),
             registrations().first().constData());
    QVERIFY(f.boxes.texts().first().contains(QStringLiteral("\nMese / Anno : 3/2024\n")));
}

void tst_Registration::rejectedNumberIsNeverRegistered()
{
    auto tab = onTheTab(
        world(foundPrescription, "<ErroreDPCResult><Errore><ID>9</ID></Errore></ErroreDPCResult>"));
    QVERIFY(tab);
    TlsTestServer& server = tab->server;
    MainWindowFixture& f = *tab->f;
    typeNumber(f, QStringLiteral("123450000043211"));
    typeIn(f, "Text_COD_AIC", QStringLiteral("012345678"));
    QVERIFY(searchError(f, "Text_COD_ERR", QStringLiteral("9"), pressEsc));

    // The operator goes back into the second part only and mistypes it.
    auto* text12 = f.find<QLineEdit>("Text12");
    text12->setFocus(Qt::MouseFocusReason);
    text12->selectAll();
    QTest::keyClicks(text12, QStringLiteral("0000043212"));
    f.boxes.clear();
    QTest::keyClick(text12, Qt::Key_Return);
    QCOMPARE(f.boxes.texts(),
             QStringList{QStringLiteral("Numero ricetta errato - Controllo Nr  1")});

    f.boxes.clear();
    f.boxes.answerNext(QMessageBox::Yes);
    const int before = server.requestCount();
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    // Leaving Text12 for the button checks the number again, and the button
    // finds none held; nothing is confirmed or sent.
    QCOMPARE(f.boxes.texts(),
             (QStringList{"Numero ricetta errato - Controllo Nr  1", "NUMERO RICETTA MANCANTE"}));
    QCOMPARE(server.requestCount(), before);
}

QTEST_MAIN(tst_Registration)
#include "test_registration.moc"
