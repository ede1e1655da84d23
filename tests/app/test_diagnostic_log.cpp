// What the diagnostic log records and when: how it is turned on, one line
// per service call with its outcome, the staging folder's lines, and never
// the operator's or the patient's data.
#include "CommandLine.h"
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "LogFile.h"
#include "LogFixture.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "RegistraSteps.h"
#include "SoapClient.h"
#include "SoapEnvelope.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

using namespace Demo::Fixtures;
using namespace LogFixture;
using namespace TestService;

namespace {

const QString ns = QStringLiteral("http://tempuri.org/");
const QString loginOperation = QStringLiteral("LoginUser");

QString loginEnvelope()
{
    return SoapEnvelope::build(ns, loginOperation,
                               {{QStringLiteral("utente"), QStringLiteral("u")},
                                {QStringLiteral("password"), QStringLiteral("p")}});
}

} // namespace

class tst_DiagnosticLog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void turningOn_data();
    void turningOn();
    void oneLinePerCallWithItsOutcome_data();
    void oneLinePerCallWithItsOutcome();
    void onlyTheFirstFailureOfARunWarns();
    void noHealthDataInTheFile();
    void stagingLinesGiveSizeOrReason();

private:
    QString logPath() const { return m_dir.filePath(QStringLiteral("dpc.log")); }

    QTemporaryDir m_dir;
    DemoServiceProcess m_demo;
};

void tst_DiagnosticLog::initTestCase()
{
    QVERIFY(m_demo.start(m_dir.filePath(QStringLiteral("demo.sqlite"))));
}

void tst_DiagnosticLog::cleanup()
{
    LogFixture::reset(logPath());
}

void tst_DiagnosticLog::turningOn_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environmentRules");
    QTest::addColumn<QByteArray>("iniFile");
    QTest::addColumn<int>("fileLines");
    QTest::addColumn<int>("stderrLines");

    // Two calls that cannot reach the service: one line each where the log
    // goes, and the run's one warning on stderr whatever the settings.
    QTest::newRow("off by default") << QStringList() << QString() << QByteArray() << -1 << 1;
    QTest::newRow("QT_LOGGING_RULES")
        << QStringList() << QStringLiteral("dpc.*=true") << QByteArray() << -1 << 3;
    QTest::newRow("qtlogging.ini")
        << QStringList() << QString() << QByteArray("[Rules]\ndpc.*=true\n") << -1 << 3;
    QTest::newRow("--log FILE") << QStringList{QStringLiteral("--log"), QStringLiteral("LOG")}
                                << QString() << QByteArray() << 2 << 1;
    QTest::newRow("--log=FILE") << QStringList{QStringLiteral("--log=LOG")} << QString()
                                << QByteArray() << 2 << 1;
    QTest::newRow("a rule overrides --log")
        << QStringList{QStringLiteral("--log"), QStringLiteral("LOG")}
        << QStringLiteral("dpc.service.info=false") << QByteArray() << 0 << 1;
}

void tst_DiagnosticLog::turningOn()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, environmentRules);
    QFETCH(QByteArray, iniFile);
    QFETCH(int, fileLines);
    QFETCH(int, stderrLines);

    // A configuration folder of its own, so that the user's rules do not count.
    QTemporaryDir config;
    QVERIFY(QDir(config.path()).mkpath(QStringLiteral("QtProject")));
    if (!iniFile.isEmpty()) {
        QFile ini(config.filePath(QStringLiteral("QtProject/qtlogging.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(iniFile);
    }
    const QProcessEnvironment environment = probeEnvironment(config.path(), environmentRules);
    arguments.replaceInStrings(QStringLiteral("LOG"), logPath());

    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(QStringLiteral(DPC_LOG_PROBE), arguments);
    QVERIFY(probe.waitForFinished(60000));
    QCOMPARE(probe.exitCode(), 0);
    const QByteArray errors = probe.readAllStandardError();
    const QStringList stderrService = linesOf(errors, "dpc.service");
    QVERIFY2(stderrService.size() == stderrLines, errors.constData());
    for (const QString& line : stderrService)
        QVERIFY2(line.contains(QStringLiteral(" LoginUser sent=")) &&
                     line.contains(QStringLiteral("outcome=network-error")),
                 qPrintable(line));

    const QByteArray file = readAll(logPath());
    if (fileLines < 0) {
        QVERIFY(!QFile::exists(logPath()));
    } else {
        QCOMPARE(linesOf(file, "dpc.service").size(), fileLines);
        // Nothing else of the run lands in the file.
        QCOMPARE(file.count('\n'), fileLines);
    }
    for (const QByteArray& typed : {QByteArray("probe.user"), QByteArray("probe-secret")}) {
        QVERIFY(!errors.contains(typed));
        QVERIFY(!file.contains(typed));
    }
}

void tst_DiagnosticLog::oneLinePerCallWithItsOutcome_data()
{
    QTest::addColumn<int>("mode"); // a TlsTestServer::Mode; -1: nothing listens
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("outcome");

    using Mode = TlsTestServer::Mode;
    const QByteArray fault =
        answer("<soap:Fault><soap:Code><soap:Value>soap:Receiver</soap:Value></soap:Code>"
               "<soap:Reason><soap:Text xml:lang=\"it\">ERRORE INTERNO</soap:Text></soap:Reason>"
               "</soap:Fault>");
    QTest::newRow("answer") << int(Mode::Answer) << 200
                            << answer("<LoginUserResponse><LoginUserResult><ID>5</ID>"
                                      "</LoginUserResult></LoginUserResponse>")
                            << QStringLiteral("answer");
    QTest::newRow("HTTP 500 with a SOAP fault")
        << int(Mode::Answer) << 500 << fault << QStringLiteral("soap-fault");
    QTest::newRow("answer without its result")
        << int(Mode::Answer) << 200 << answer("<LoginUserResponse/>")
        << QStringLiteral("no-result");
    QTest::newRow("untrusted certificate")
        << int(Mode::UntrustedCertificate) << 0 << QByteArray()
        << QStringLiteral("tls-error (The certificate is self-signed, and untrusted)");
    QTest::newRow("refused") << -1 << 0 << QByteArray()
                             << QStringLiteral("network-error (Connection refused)");
    QTest::newRow("hung") << int(Mode::NeverAnswer) << 0 << QByteArray()
                          << QStringLiteral("timeout");
}

void tst_DiagnosticLog::oneLinePerCallWithItsOutcome()
{
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, outcome);

    TlsTestServer server(mode < 0 ? TlsTestServer::Mode::Answer : TlsTestServer::Mode(mode));
    QVERIFY(server.listen());
    server.setSoapAnswer(status, body);
    ServiceConfig config = mode < 0 ? unreachable() : configFor(server);
    config.timeoutMs = 1500;
    QVERIFY(CommandLine::startLog(logPath()));

    const bool reached = status != 0;
    if (!reached)
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral(" LoginUser .*outcome=") +
                                                QRegularExpression::escape(outcome) + u'$'));
    SoapClient client(config);
    const QString envelope = loginEnvelope();
    const QByteArray received = client.callUtf8(ns + loginOperation, envelope);
    QCOMPARE(received.startsWith("Error: "), !reached);

    const QStringList lines = linesOf(readAll(logPath()), "dpc.service");
    QCOMPARE(lines.size(), 1);
    const QString expected = QStringLiteral(" LoginUser sent=%1 received=%2 status=%3 ms=")
                                 .arg(envelope.toUtf8().size())
                                 .arg(reached ? body.size() : 0)
                                 .arg(reached ? QString::number(status) : QStringLiteral("-"));
    QVERIFY2(lines.first().contains(expected), qPrintable(lines.first()));
    QVERIFY2(lines.first().endsWith(QStringLiteral(" outcome=") + outcome),
             qPrintable(lines.first()));
    // The time comes first: "dpc.service: 2026-01-31T09:15:02.123+01:00 LoginUser".
    QVERIFY(QDateTime::fromString(lines.first().section(u' ', 1, 1), Qt::ISODateWithMs).isValid());
}

void tst_DiagnosticLog::onlyTheFirstFailureOfARunWarns()
{
    // The log is off: the warning reaches stderr all the same, once.
    SoapClient client(unreachable());
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral(" LoginUser .*outcome=network-error")));
    client.callUtf8(ns + loginOperation, loginEnvelope());
    QTest::failOnWarning(QRegularExpression(QStringLiteral("LoginUser")));
    client.callUtf8(ns + loginOperation, loginEnvelope());
    QVERIFY(!QFile::exists(logPath()));
}

void tst_DiagnosticLog::noHealthDataInTheFile()
{
    QVERIFY(CommandLine::startLog(logPath()));
    MainWindowFixture f(m_demo.config());
    QVERIFY(f.logIn(userPA, passwordPA));
    RegistraSteps::enterTab(f);
    RegistraSteps::typeNumber(f, QString::fromLatin1(prescriptionPA));
    QTRY_COMPARE(f.context->utenti.numrickey.text(), QString::fromLatin1(prescriptionPA));
    QCOMPARE(f.context->utenti.Assistito.trimmed(), QString::fromLatin1(patientName));

    // The patient's dispensing history: a search by fiscal code.
    ModalDriver history("legge_FAR", [](QWidget* modal) {
        QTest::keyClick(modal->findChild<QTreeWidget*>(QStringLiteral("listricette")),
                        Qt::Key_Escape);
    });
    f.activate();
    QTest::mouseClick(f.find<QPushButton>("bott_assi"), Qt::LeftButton);
    QVERIFY(history.acted());
    f.activate();

    // A registration of an error on the prescription.
    RegistraSteps::typeIn(f, "Text_COD_AIC", QString::fromLatin1(aicPlan));
    QVERIFY(
        RegistraSteps::searchError(f, "Text_COD_ERR", QStringLiteral("12"), [](QTreeWidget* list) {
            QTest::keyClick(list, Qt::Key_Down);
            QTest::keyClick(list, Qt::Key_Return);
        }));
    f.boxes.clear();
    f.boxes.answerNext(QMessageBox::Yes);
    QTest::mouseClick(f.find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
    QCOMPARE(f.boxes.texts().value(1), QStringLiteral("REGISTRAZIONE EFFETTUATA"));
    LogFile::stop();

    const QByteArray log = readAll(logPath());
    for (const char* operation : {"LoginUser", "LoadTabErrori", "QueryRicette", "LoadListaFarmacie",
                                  "FindByCF", "ErroreDPC"})
        QVERIFY2(log.contains(QByteArray(" ") + operation + " sent="), operation);
    QVERIFY(!linesOf(log, "dpc.staging").isEmpty());
    for (const char* value :
         {userPA, passwordPA, prescriptionPA, nomePA, aspPA, patientName, patientFiscalCode,
          pharmacyName, "RICETTA SCADUTA", aicPlan, "RUSSO", "GIUSEPPE"})
        QVERIFY2(!log.contains(value), value);
    // Nor any of the typed parts of the prescription or the fiscal code.
    QVERIFY(!log.contains(QByteArray(prescriptionPA).left(10)));
    QVERIFY(!log.contains(QByteArray(patientFiscalCode).left(6)));
}

void tst_DiagnosticLog::stagingLinesGiveSizeOrReason()
{
    QVERIFY(CommandLine::startLog(logPath()));
    QTemporaryDir folder;
    const StagingFolder staging(folder.path());
    QVERIFY(staging.writeBytes(StagingFolder::exportFile, "<ID>5</ID>\r\n"));
    QCOMPARE(staging.readUtf8(StagingFolder::exportFile), QByteArray("<ID>5</ID>\r\n"));
    QVERIFY(staging.readText(StagingFolder::errorTableFile).isEmpty());
    // A folder where the file should be: it cannot be replaced.
    QVERIFY(QDir(folder.path()).mkdir(StagingFolder::errorTableFile));
    QVERIFY(!staging.writeBytes(StagingFolder::errorTableFile, "x"));

    const QStringList lines = linesOf(readAll(logPath()), "dpc.staging");
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines[0].endsWith(QStringLiteral(" staged export_xml.xml bytes=12")),
             qPrintable(lines[0]));
    QVERIFY2(lines[1].endsWith(QStringLiteral(" read export_xml.xml bytes=12")),
             qPrintable(lines[1]));
    QVERIFY2(lines[2].contains(QStringLiteral(" read failed errori_xml.xml - ")),
             qPrintable(lines[2]));
    QVERIFY2(lines[3].contains(QStringLiteral(" write failed errori_xml.xml - ")),
             qPrintable(lines[3]));
    // Each failure says why, in the system's words.
    for (const QString& line : {lines[2], lines[3]})
        QVERIFY2(line.section(QStringLiteral(" - "), 1).size() > 3, qPrintable(line));
}

QTEST_MAIN(tst_DiagnosticLog)
#include "test_diagnostic_log.moc"
