#include "CannedLine.h"
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "LogCategories.h"
#include "ModalDriver.h"
#include "QtMessageBoxes.h"
#include "RegisteredErrors.h"
#include "RegistraSteps.h"
#include "TestService.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QTreeWidget>

using namespace CannedLine;
using namespace Demo::Fixtures;
using namespace RegistraSteps;
using Failure = CannedErrorService::Failure;

namespace {

// What the canned line sends.
const QByteArray lookUpBody =
    "<F_LoadErroreByAnnoMese xmlns='http://tempuri.org/'><prov>PA</prov><flusso>2</flusso>"
    "<anno>2024</anno><mese>3</mese><farmacia>77</farmacia></F_LoadErroreByAnnoMese>";
const QByteArray registrationBody =
    "<ErroreDPC xmlns='http://tempuri.org/'><prov>PA</prov><anno>2024</anno><mese>3</mese>"
    "<codfarma>77</codfarma><numrickey>999000000000001</numrickey><aic>012345678</aic>"
    "<pezzi>2</pezzi><errore>9</errore></ErroreDPC>";

// The service log's lines while it lives (the category turned on).
class ServiceLog
{
public:
    ServiceLog()
    {
        s_lines.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("dpc.service.info=true"));
        s_previous = qInstallMessageHandler(&ServiceLog::take);
    }
    ~ServiceLog()
    {
        qInstallMessageHandler(s_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    static const QStringList& lines() { return s_lines; }

private:
    static void take(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        // Info lines only: the run's first transport failure also warns.
        if (type == QtInfoMsg && qstrcmp(context.category, dpcService().categoryName()) == 0)
            s_lines << text;
        else
            s_previous(type, context, text);
    }
    static inline QStringList s_lines;
    static inline QtMessageHandler s_previous = nullptr;
};

} // namespace

class tst_RepeatedRegistration : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void secondRegistrationOfALineWarns();
    void sameLine_data();
    void sameLine();
    void warningAnsweredWithEnterIsNo();
    void failedLookUp_data();
    void failedLookUp();
    void againstTheDemoService();

private:
    QTemporaryDir m_data;
    DemoServiceProcess m_demo;
};

void tst_RepeatedRegistration::initTestCase()
{
    QVERIFY(m_demo.start(m_data.filePath(QStringLiteral("demo.sqlite"))));
}

void tst_RepeatedRegistration::secondRegistrationOfALineWarns()
{
    auto tab = lineFilled();
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    CannedErrorService& service = tab->service;

    f.boxes.answerNext(QMessageBox::Yes);
    tab->press();
    QCOMPARE(f.boxes.texts().size(), 2);
    const QString confirmation = f.boxes.texts().first();
    QCOMPARE(f.boxes.texts().last(), QStringLiteral("REGISTRAZIONE EFFETTUATA"));
    // Asked for the prescription's own year, month and pharmacy.
    QVERIFY2(service.server()
                 .requests()
                 .at(service.server().requestCount() - 2)
                 .body.contains(lookUpBody),
             service.server().lastRequest().body.constData());

    // Again: the warning names the record; No sends nothing.
    f.boxes.clear();
    tab->press();
    QCOMPARE(f.boxes.texts(), QStringList{warning(QStringLiteral("101"))});
    const MessageRequest& box = f.boxes.shown().first();
    QCOMPARE(box.title, QStringLiteral("QuorvelDPC"));
    QCOMPARE(box.icon, QMessageBox::Question);
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.defaultButton, QMessageBox::No);
    QCOMPARE(service.registrations(), 1);

    // Yes: the usual confirmation, and the same registration again.
    f.boxes.clear();
    f.boxes.answerNext(QMessageBox::Yes);
    f.boxes.answerNext(QMessageBox::Yes);
    tab->press();
    QCOMPARE(f.boxes.texts(), (QStringList{warning(QStringLiteral("101")), confirmation,
                                           QStringLiteral("REGISTRAZIONE EFFETTUATA")}));
    QCOMPARE(service.registrations(), 2);
    for (const QByteArray& body : service.registrationBodies())
        QVERIFY2(body.contains(registrationBody), body.constData());

    // The list's answer was never staged.
    QCOMPARE(tab->stagedNow(), tab->staged);
}

void tst_RepeatedRegistration::sameLine_data()
{
    QTest::addColumn<QList<QByteArray>>("registered");
    QTest::addColumn<QString>("warnsOf"); // empty: no warning
    QTest::newRow("AIC without its leading zero")
        << QList<QByteArray>{record("5", "12345678")} << "5";
    QTest::newRow("values padded with blanks")
        << QList<QByteArray>{"<ID> 6 </ID><NumricKey> 999000000000001 </NumricKey>"
                             "<AIC> 012345678 </AIC><CodErrore> 9 </CodErrore>"}
        << "6";
    QTest::newRow("the first of two, after another code")
        << QList<QByteArray>{record("4", "012345678", "7"), record("6"), record("8")} << "6";
    QTest::newRow("another error code") << QList<QByteArray>{record("5", "012345678", "7")} << "";
    QTest::newRow("another AIC") << QList<QByteArray>{record("5", "035683042")} << "";
    QTest::newRow("another prescription")
        << QList<QByteArray>{record("5", "012345678", "9", "999000000000002")} << "";
    // Each record is read on its own: a missing code is not the one before.
    QTest::newRow("a record without its code")
        << QList<QByteArray>{record("3", "035683042"),
                             "<ID>4</ID><NumricKey>999000000000001</NumricKey><AIC>012345678</AIC>"}
        << "";
}

void tst_RepeatedRegistration::sameLine()
{
    QFETCH(QList<QByteArray>, registered);
    QFETCH(QString, warnsOf);
    auto tab = lineFilled(registered);
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;

    tab->press(); // every box answered No
    QCOMPARE(f.boxes.texts().size(), 1);
    if (warnsOf.isEmpty())
        QVERIFY2(f.boxes.texts().first().startsWith(QStringLiteral("Registrare :\n")),
                 qPrintable(f.boxes.texts().first()));
    else
        QCOMPARE(f.boxes.texts().first(), warning(warnsOf));
    QCOMPARE(tab->service.lookUps(), 1);
    QCOMPARE(tab->service.registrations(), 0);
}

void tst_RepeatedRegistration::warningAnsweredWithEnterIsNo()
{
    // A real box: Enter presses the default button, No for the warning.
    QtMessageBoxes boxes;
    for (const bool safe : {true, false}) {
        ModalDriver driver([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
        const bool yes = boxes.ask(nullptr, warning(QStringLiteral("1")), QStringLiteral("T"),
                                   safe ? QMessageBox::No : QMessageBox::NoButton);
        QVERIFY(driver.acted());
        QCOMPARE(yes, !safe);
    }
}

void tst_RepeatedRegistration::failedLookUp_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("outcome"); // as the service log gives it
    QTest::newRow("no result") << int(Failure::NoResult) << "no-result";
    QTest::newRow("fault") << int(Failure::Fault) << "soap-fault";
    QTest::newRow("dropped") << int(Failure::Dropped) << "network-error (";
    QTest::newRow("hung") << int(Failure::Hung) << "timeout";
}

void tst_RepeatedRegistration::failedLookUp()
{
    QFETCH(int, failure);
    QFETCH(QString, outcome);
    auto tab = lineFilled({record("5")});
    QVERIFY(tab);
    MainWindowFixture& f = *tab->f;
    CannedErrorService& service = tab->service;
    service.failLookUp(Failure(failure));
    QList<int> pointers; // the mouse pointer as each look-up arrives
    service.onRequest = [&pointers](const QString& operation) {
        if (operation == QLatin1String("F_LoadErroreByAnnoMese"))
            pointers << (QGuiApplication::overrideCursor()
                             ? int(QGuiApplication::overrideCursor()->shape())
                             : -1);
    };
    const ServiceLog log;

    // The registration goes on as it would without the look-up.
    f.boxes.answerNext(QMessageBox::Yes);
    tab->press();
    QCOMPARE(f.boxes.texts().size(), 2);
    QVERIFY(f.boxes.texts().first().startsWith(QStringLiteral("Registrare :\n")));
    QCOMPARE(f.boxes.texts().last(), QStringLiteral("REGISTRAZIONE EFFETTUATA"));
    QCOMPARE(service.registrations(), 1);
    QVERIFY(service.server().lastRequest().body.contains(registrationBody));
    // (A read may be posted again by the network stack when the connection drops.)
    QVERIFY(!pointers.isEmpty());
    for (const int pointer : pointers)
        QCOMPARE(pointer, int(Qt::WaitCursor));
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(tab->stagedNow(), tab->staged);

    // The service log says why, and nothing of the line.
    QStringList lookUpLines;
    for (const QString& line : ServiceLog::lines()) {
        if (line.contains(QStringLiteral(" F_LoadErroreByAnnoMese sent=")))
            lookUpLines << line;
        for (const QString& value : {number, aic, QStringLiteral("12345678")})
            QVERIFY2(!line.contains(value), qPrintable(line));
    }
    QCOMPARE(lookUpLines.size(), 1);
    QVERIFY2(lookUpLines.first().contains(QStringLiteral(" outcome=") + outcome),
             qPrintable(lookUpLines.first()));
}

void tst_RepeatedRegistration::againstTheDemoService()
{
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    // The IDs of the records the service holds for the line, in its order.
    const auto onTheLine = [&f] {
        const QString response = f.context->service().post(QStringLiteral("F_LoadErroreByAnnoMese"),
                                                           {{"prov", "PA"},
                                                            {"flusso", "2"},
                                                            {"anno", "2024"},
                                                            {"mese", "9"},
                                                            {"farmacia", "1234"}});
        QStringList ids;
        for (const QString& r : response.split(QStringLiteral("</Errore>"))) {
            if (r.contains(QStringLiteral("<NumricKey>123450000043211</NumricKey>")) &&
                r.contains(QStringLiteral("<AIC>035683042</AIC>")) &&
                r.contains(QStringLiteral("<CodErrore>12</CodErrore>")))
                ids << r.section(QStringLiteral("<ID>"), 1).section(QStringLiteral("</ID>"), 0, 0);
        }
        return ids;
    };
    QCOMPARE(onTheLine(), QStringList());
    // A month without records is an answer, an empty list, not a failed look-up.
    const std::optional<QList<RegisteredError>> emptyMonth =
        RegisteredErrors::read(f.context->service().post(QStringLiteral("F_LoadErroreByAnnoMese"),
                                                         {{"prov", "PA"},
                                                          {"flusso", "2"},
                                                          {"anno", "2031"},
                                                          {"mese", "1"},
                                                          {"farmacia", "1234"}}));
    QVERIFY(emptyMonth);
    QVERIFY(emptyMonth->isEmpty());
    enterTab(f);
    typeNumber(f, QString::fromLatin1(prescriptionPA));
    typeIn(f, "Text_COD_AIC", QString::fromLatin1(aicNoPlan));
    QVERIFY(searchError(f, "Text_COD_ERR", QString::number(errorPharmacy), pressEsc));
    QTRY_COMPARE(focusName(), QStringLiteral("Comm_REGISTRA"));
    const QByteArray staged = readFile(f.stagingPath(StagingFolder::exportFile));

    // Enter on the focused button, twice; the second time the warning is answered No.
    f.boxes.clear();
    f.boxes.answerNext(QMessageBox::Yes);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(f.boxes.texts().last(), QStringLiteral("REGISTRAZIONE EFFETTUATA"));
    const QStringList ids = onTheLine();
    QCOMPARE(ids.size(), 1);

    f.boxes.clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(f.boxes.texts(), QStringList{warning(ids.first())});
    QCOMPARE(onTheLine(), ids);
    QCOMPARE(readFile(f.stagingPath(StagingFolder::exportFile)), staged);
}

QTEST_MAIN(tst_RepeatedRegistration)
#include "test_repeated_registration.moc"
