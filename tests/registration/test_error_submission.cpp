#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "RegistraSteps.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace DemoFixtures;
using namespace RegistraSteps;
using namespace TestService;

namespace {

// One canned answer for a whole registration: each operation cuts its own
// result out of it. `registration` is what follows the ErroreDPC response.
QByteArray world(const QByteArray& registration)
{
    return answer(
        "<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome></LoginUserResult>"
        "<LoadTabErroriResult>"
        "<TabErrori><Errore>7</Errore><Descrizione>FUSTELLA ILLEGGIBILE</Descrizione>"
        "<Soggetto>FARMACIA</Soggetto><TipoAddebito>Totale</TipoAddebito></TabErrori>"
        "<TabErrori><Errore>8</Errore><Descrizione>RICETTA NON FIRMATA</Descrizione>"
        "<Soggetto>farmacia di turno</Soggetto><TipoAddebito>Parziale</TipoAddebito></TabErrori>"
        "</LoadTabErroriResult>"
        "<QueryRicetteResult><Anno>2024</Anno><Mese>3</Mese><Codice_assistito>CF</Codice_assistito>"
        "<Assistito>ROSSI</Assistito><Progressivo> 5 </Progressivo><Farmacia>77</Farmacia>"
        "</QueryRicetteResult>"
        "<LoadListaFarmacieResult><Farmacie><Codice>77</Codice><Ragsoc>FARMACIA UNO</Ragsoc>"
        "</Farmacie></LoadListaFarmacieResult>"
        "<FarmacoDPCbyAICResult><AIC>012345678</AIC><Farmaco>PRODOTTO</Farmaco>"
        "</FarmacoDPCbyAICResult>" +
        registration);
}

// Chooses an error by its code; the unique row is taken even though the
// window is closed with Esc.
void chooseCode(MainWindowFixture& f, const QString& code)
{
    ModalDriver driver([](QWidget* modal) { QTest::keyClick(errorList(modal), Qt::Key_Escape); });
    auto* box = f.find<QLineEdit>("Text_COD_ERR");
    box->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(box, code);
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_VERIFY(driver.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    f.activate();
}

int countRecords(const QString& list)
{
    return int(list.count(QStringLiteral("<ID>")));
}

} // namespace

class tst_ErrorSubmission : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void registrationIsStoredAndListed();
    void keyboardOnlyRegistration();
    void refusedWithoutAPharmacySubject();
    void answerDecidesTheOutcome_data();
    void answerDecidesTheOutcome();

private:
    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_ErrorSubmission::initTestCase()
{
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

void tst_ErrorSubmission::registrationIsStoredAndListed()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    const QList<QPair<QString, QString>> month = {
        {"prov", "PA"}, {"flusso", "2"}, {"anno", "2024"}, {"mese", "9"}, {"farmacia", "1234"}};
    const int before = countRecords(call(f, QStringLiteral("F_LoadErroreByAnnoMese"), month));

    enterTab(f);
    const QString number = QString::fromLatin1(prescriptionPA);
    typeNumber(f, number.left(5), number.mid(5));
    QTRY_COMPARE(f.find<QLabel>("Label18")->text(), QString::fromLatin1(prescriptionProgressive));
    typeAic(f, QString::fromLatin1(aicPlan));
    QTRY_COMPARE(f.find<QLineEdit>("Text_DESCR_AIC")->text().trimmed(),
                 QString::fromLatin1(namePlan));
    chooseCode(f, QString::number(errorPharmacy));
    QCOMPARE(f.find<QLineEdit>("Text_sogg")->text(),
             QString::fromLatin1(errorPharmacySubject).leftJustified(80));
    QCOMPARE(QApplication::focusWidget(), f.find<QPushButton>("Comm_REGISTRA"));
    auto* quantity = f.find<QLineEdit>("Text_QTA_AIC");
    quantity->setText(QStringLiteral("1"));
    QVERIFY(f.boxes.shown().isEmpty());

    f.boxes.answerNext(QMessageBox::Yes);
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QCOMPARE(f.boxes.texts().size(), 2);
    const MessageRequest& confirm = f.boxes.shown().at(0);
    QCOMPARE(confirm.text.split(u'\n'),
             (QStringList{"Registrare :", "Mese / Anno : 9/2024", "Farmacia N° 1234",
                          "Ricetta  N° 123450000043211", "AIC      N° 035946023 Q.tà 1",
                          "Errore   N° 12"}));
    QCOMPARE(confirm.title, QStringLiteral("QuorvelDPC"));
    QCOMPARE(confirm.icon, QMessageBox::Question);
    QCOMPARE(confirm.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(f.boxes.texts().at(1), QStringLiteral("REGISTRAZIONE EFFETTUATA"));

    // The service now lists it, with the amount of one package.
    const QString listed = call(f, QStringLiteral("F_LoadErroreByAnnoMese"), month);
    QCOMPARE(countRecords(listed), before + 1);
    const QString last = listed.mid(listed.lastIndexOf(QStringLiteral("<Errore>")));
    QVERIFY2(last.contains(QStringLiteral("<NumricKey>123450000043211</NumricKey>")),
             qPrintable(last));
    QVERIFY(last.contains(QStringLiteral("<AIC>035946023</AIC>")));
    QVERIFY(last.contains(QStringLiteral("<Pezzi>1</Pezzi>")));
    QVERIFY(last.contains(QStringLiteral("<CodErrore>12</CodErrore>")));
    QVERIFY(last.contains(QStringLiteral("<Lordo>1234.50</Lordo>")));

    // Nothing on the tab changed: a further error can be recorded at once.
    QCOMPARE(f.find<QLineEdit>("Text_COD_ERR")->text(), QStringLiteral("12"));
    QCOMPARE(f.context->utenti.numrickey.text(), number);
}

void tst_ErrorSubmission::keyboardOnlyRegistration()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    const QList<QPair<QString, QString>> month = {
        {"prov", "PA"}, {"flusso", "2"}, {"anno", "2024"}, {"mese", "9"}, {"farmacia", "1234"}};
    const int before = countRecords(call(f, QStringLiteral("F_LoadErroreByAnnoMese"), month));
    enterTab(f);

    // Every key goes to whatever has the focus, as the operator's keyboard does.
    const auto type = [](const QString& text, Qt::Key then) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), then);
    };
    type(QStringLiteral("12345"), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text12"));
    type(QStringLiteral("0000043211"), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text_COD_AIC"));
    QVERIFY(f.find<QPushButton>("bott_assi")->isEnabled());
    type(QString::fromLatin1(aicNoPlan), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text_COD_ERR"));

    ModalDriver driver([](QWidget* modal) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(modal->focusWidget(), Qt::Key_Return);
    });
    type(QString::number(errorPharmacy), Qt::Key_Return);
    QTRY_VERIFY(driver.acted());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    f.activate();
    QTRY_COMPARE(QApplication::focusWidget(), f.find<QPushButton>("Comm_REGISTRA"));

    // The quantity lies one Tab after the button; back with Shift+Tab.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text_QTA_AIC"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    type(QStringLiteral("3"), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), f.find<QPushButton>("Comm_REGISTRA"));

    // Space presses a focused button natively; Enter does the same once the
    // program-wide Enter-on-buttons rule is in.
    f.boxes.answerNext(QMessageBox::Yes);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(f.boxes.texts().size(), 2);
    QVERIFY(f.boxes.texts().at(0).endsWith(QStringLiteral("AIC      N° 035683042 Q.tà 3\n"
                                                          "Errore   N° 12")));
    QCOMPARE(f.boxes.texts().at(1), QStringLiteral("REGISTRAZIONE EFFETTUATA"));
    QCOMPARE(countRecords(call(f, QStringLiteral("F_LoadErroreByAnnoMese"), month)), before + 1);
}

void tst_ErrorSubmission::refusedWithoutAPharmacySubject()
{
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200,
                         world("<ErroreDPCResult><Errore><ID>1</ID></Errore></ErroreDPCResult>"));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    enterTab(f);
    typeNumber(f, QStringLiteral("99900"), QStringLiteral("0000000001"));
    QTRY_VERIFY(f.find<QPushButton>("bott_assi")->isEnabled());
    typeAic(f, QStringLiteral("12345678"));
    QTRY_COMPARE(f.find<QLineEdit>("Text_DESCR_AIC")->text().trimmed(), QStringLiteral("PRODOTTO"));
    auto* registra = f.find<QPushButton>("Comm_REGISTRA");

    // No error chosen yet.
    int sent = server.requestCount();
    QTest::mouseClick(registra, Qt::LeftButton);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("Soggetto non Farmacia")});
    QCOMPARE(f.boxes.shown().first().title, QStringLiteral("QuorvelDPC"));
    QCOMPARE(f.boxes.shown().first().icon, QMessageBox::NoIcon);

    // "FARMACIA" in capitals is not the pharmacy.
    f.boxes.clear();
    chooseCode(f, QStringLiteral("7"));
    QCOMPARE(f.find<QLineEdit>("Text_sogg")->text().trimmed(), QStringLiteral("FARMACIA"));
    QTest::mouseClick(registra, Qt::LeftButton);
    QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("Soggetto non Farmacia")});
    QCOMPARE(server.requestCount(), sent);

    // A subject that names the pharmacy in lower case passes; No sends nothing.
    f.boxes.clear();
    QTest::mouseClick(f.find<QPushButton>("BOTT_SVUOTA"), Qt::LeftButton);
    chooseCode(f, QStringLiteral("8"));
    QTest::mouseClick(registra, Qt::LeftButton);
    QCOMPARE(f.boxes.texts().size(), 1);
    QCOMPARE(f.boxes.shown().first().icon, QMessageBox::Question);
    QVERIFY(f.boxes.texts().first().contains(QStringLiteral("Mese / Anno : 3/2024\n")));
    QCOMPARE(server.requestCount(), sent);

    // An empty quantity: nothing at all.
    f.boxes.clear();
    f.find<QLineEdit>("Text_QTA_AIC")->clear();
    QTest::mouseClick(registra, Qt::LeftButton);
    QVERIFY(f.boxes.shown().isEmpty());
    QCOMPARE(server.requestCount(), sent);
}

void tst_ErrorSubmission::answerDecidesTheOutcome_data()
{
    QTest::addColumn<QByteArray>("registration");
    QTest::addColumn<QString>("message");
    QTest::newRow("record") << QByteArray("<ErroreDPCResult><Errore><ID>9</ID></Errore>note, "
                                          "altro</ErroreDPCResult>")
                            << QStringLiteral("REGISTRAZIONE EFFETTUATA");
    QTest::newRow("no record") << QByteArray("<ErroreDPCResult>OK</ErroreDPCResult>")
                               << QStringLiteral("REGISTRAZIONE NON RIUSCITA");
    QTest::newRow("no result") << QByteArray("<ErroreDPCResponse/>")
                               << QStringLiteral("REGISTRAZIONE NON RIUSCITA");
    QTest::newRow("record outside the result")
        << QByteArray("<ErroreDPCResult></ErroreDPCResult><Errore>")
        << QStringLiteral("REGISTRAZIONE NON RIUSCITA");
}

void tst_ErrorSubmission::answerDecidesTheOutcome()
{
    QFETCH(QByteArray, registration);
    QFETCH(QString, message);
    TlsTestServer server;
    QVERIFY(server.listen());
    server.setSoapAnswer(200, world(registration));
    MainWindowFixture f(configFor(server));
    QVERIFY(f.logIn(QStringLiteral("u"), QStringLiteral("p")));
    enterTab(f);
    typeNumber(f, QStringLiteral("99900"), QStringLiteral("0000000001"));
    QTRY_VERIFY(f.find<QPushButton>("bott_assi")->isEnabled());
    typeAic(f, QStringLiteral("012345678"));
    chooseCode(f, QStringLiteral("8"));
    f.boxes.clear();

    f.boxes.answerNext(QMessageBox::Yes);
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QCOMPARE(f.boxes.texts().size(), 2);
    QCOMPARE(f.boxes.texts().at(1), message);
    QCOMPARE(f.boxes.shown().at(1).icon, QMessageBox::NoIcon);
    // Numbers without leading zeros, the number with its 15 characters.
    QVERIFY2(server.lastRequest().body.contains(
                 "<ErroreDPC xmlns='http://tempuri.org/'><prov>PA</prov><anno>2024</anno>"
                 "<mese>3</mese><codfarma>77</codfarma><numrickey>999000000000001</numrickey>"
                 "<aic>012345678</aic><pezzi>2</pezzi><errore>8</errore></ErroreDPC>"),
             server.lastRequest().body.constData());
}

QTEST_MAIN(tst_ErrorSubmission)
#include "test_error_submission.moc"
