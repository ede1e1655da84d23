#include "CommandLine.h"
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "LogCategories.h"
#include "LogFile.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "RegistraSteps.h"
#include "SoapClient.h"
#include "SoapEnvelope.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

#include <sys/stat.h>
#include <unistd.h>

using namespace Demo::Fixtures;
using namespace TestService;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The lines of `text` that a category wrote.
QStringList linesOf(const QByteArray& text, const char* category)
{
    QStringList lines;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(QByteArray(category) + ": "))
            lines << QString::fromUtf8(line);
    }
    return lines;
}

const QString ns = QStringLiteral("http://tempuri.org/");
const QString loginOperation = QStringLiteral("LoginUser");

QString loginEnvelope()
{
    return SoapEnvelope::build(ns, loginOperation,
                               {{QStringLiteral("utente"), QStringLiteral("u")},
                                {QStringLiteral("password"), QStringLiteral("p")}});
}

// The environment of a probe: a configuration folder of its own, so that the
// user's rules do not count, and Qt's messages on stderr.
QProcessEnvironment probeEnvironment(const QString& config, const QString& rules)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), config);
    environment.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    environment.remove(QStringLiteral("QT_LOGGING_CONF"));
    environment.remove(QStringLiteral("QT_MESSAGE_PATTERN"));
    if (rules.isEmpty())
        environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    else
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), rules);
    return environment;
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
    void fileIsCappedAndRotatedOnce();
    void aLogThatCannotBeOpenedIsWarnedAndSkipped_data();
    void aLogThatCannotBeOpenedIsWarnedAndSkipped();
    void fileIsOwnersOnly();
    void anotherUsersFileIsRefused();
    void failedMoveStillKeepsTheCap();
    void failedReopenDropsLinesAndWarnsOnce();
    void reopenWaitsForItsInterval();

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
    LogFile::stop();
    QLoggingCategory::setFilterRules(QString());
    SoapClient::resetFailureWarning();
    QFile::remove(logPath());
    QFile::remove(logPath() + QStringLiteral(".1"));
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

void tst_DiagnosticLog::fileIsCappedAndRotatedOnce()
{
    constexpr qint64 limit = 1000;
    {
        QFile earlier(logPath());
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("dpc.service: an earlier run\n");
    }
    QVERIFY(LogFile::start(logPath(), limit));
    QLoggingCategory::setFilterRules(QStringLiteral("dpc.*=true"));
    for (int i = 0; i < 100; ++i)
        qCInfo(dpcStaging, "line %03d of the run", i);
    LogFile::stop();

    const QByteArray current = readAll(logPath());
    const QByteArray previous = readAll(logPath() + QStringLiteral(".1"));
    QVERIFY(current.size() <= limit && previous.size() <= limit);
    QVERIFY(!current.isEmpty());
    QVERIFY(previous.size() > limit - 64); // rotated only when the next line did not fit
    QVERIFY(!QFile::exists(logPath() + QStringLiteral(".2")));
    // Whole lines, the newest last, the two files one after the other.
    const QStringList lines = linesOf(previous + current, "dpc.staging");
    QCOMPARE(lines.size(), (previous + current).count('\n'));
    QCOMPARE(lines.last(), QStringLiteral("dpc.staging: line 099 of the run"));
    for (qsizetype i = 1; i < lines.size(); ++i)
        QCOMPARE(lines[i].section(u' ', 2, 2).toInt(),
                 lines[i - 1].section(u' ', 2, 2).toInt() + 1);
}

void tst_DiagnosticLog::aLogThatCannotBeOpenedIsWarnedAndSkipped_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing folder") << QStringLiteral("missing");
    QTest::newRow("symbolic link") << QStringLiteral("link");
    QTest::newRow("hard link") << QStringLiteral("hard link");
    QTest::newRow("a folder") << QStringLiteral("folder");
}

void tst_DiagnosticLog::aLogThatCannotBeOpenedIsWarnedAndSkipped()
{
    QFETCH(QString, kind);
    QTemporaryDir config;
    const QString target = m_dir.filePath(QStringLiteral("someone-elses-file"));
    {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("untouched\n");
    }
    QVERIFY(::chmod(QFile::encodeName(target).constData(), 0644) == 0);
    QString path = logPath();
    if (kind == u"missing")
        path = m_dir.filePath(QStringLiteral("no-such-folder/dpc.log"));
    else if (kind == u"link")
        QVERIFY(QFile::link(target, path));
    else if (kind == u"hard link")
        QCOMPARE(::link(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()),
                 0);
    else
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("dpc.log")));

    // The probe runs on as the program does, and a message sent while its
    // statics are destroyed still finds a handler.
    QProcess probe;
    probe.setProcessEnvironment(probeEnvironment(config.path(), QString()));
    probe.start(QStringLiteral(DPC_LOG_PROBE),
                {QStringLiteral("--log"), path, QStringLiteral("--message-at-exit")});
    QVERIFY(probe.waitForFinished(60000));
    const QByteArray errors = probe.readAllStandardError();
    QDir(m_dir.path()).rmdir(QStringLiteral("dpc.log"));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    QCOMPARE(errors.count("cannot write the log"), 1);
    QVERIFY2(errors.contains("); running without it"), errors.constData());
    // The calls were made all the same: the run's one warning.
    QCOMPARE(linesOf(errors, "dpc.service").size(), 1);
    QCOMPARE(readAll(target), QByteArray("untouched\n"));
    // Nor narrowed: its mode is the one it had.
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0644));
    QFile::remove(path);
    QFile::remove(target);
}

void tst_DiagnosticLog::fileIsOwnersOnly()
{
    // Written and then removed at the end of the probe: no crash at exit.
    QTemporaryDir config;
    QProcess probe;
    probe.setProcessEnvironment(probeEnvironment(config.path(), QString()));
    probe.start(QStringLiteral(DPC_LOG_PROBE),
                {QStringLiteral("--log"), logPath(), QStringLiteral("--message-at-exit")});
    QVERIFY(probe.waitForFinished(60000));
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    QCOMPARE(linesOf(readAll(logPath()), "dpc.service").size(), 2);
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(logPath()).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600));

    // A file an earlier version left open to its group or to others is narrowed.
    for (const mode_t mode : {mode_t(0644), mode_t(0640), mode_t(0604), mode_t(0660)}) {
        QVERIFY(::chmod(QFile::encodeName(logPath()).constData(), mode) == 0);
        QVERIFY(LogFile::start(logPath()));
        LogFile::stop();
        QCOMPARE(::stat(QFile::encodeName(logPath()).constData(), &st), 0);
        QVERIFY2((st.st_mode & 0777) == 0600, qPrintable(QString::number(mode, 8)));
    }
}

void tst_DiagnosticLog::anotherUsersFileIsRefused()
{
    if (::geteuid() != 0)
        QSKIP("giving a file to another user needs root");
    {
        QFile file(logPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(::chown(QFile::encodeName(logPath()).constData(), 65534, 65534) == 0);
    QString error;
    QVERIFY(!LogFile::start(logPath(), LogFile::DefaultLimit, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!LogFile::running());
}

void tst_DiagnosticLog::failedMoveStillKeepsTheCap()
{
    // FILE.1 is a folder that is not empty: the file cannot be moved there.
    constexpr qint64 limit = 1000;
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("dpc.log.1/inside")));
    QVERIFY(LogFile::start(logPath(), limit));
    QLoggingCategory::setFilterRules(QStringLiteral("dpc.*=true"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot move the log")));
    for (int i = 0; i < 200; ++i)
        qCInfo(dpcStaging, "line %03d of the run", i);
    LogFile::stop();
    QDir(m_dir.filePath(QStringLiteral("dpc.log.1"))).removeRecursively();

    const QByteArray current = readAll(logPath());
    QVERIFY2(current.size() <= limit, QByteArray::number(current.size()).constData());
    QVERIFY(current.endsWith("dpc.staging: line 199 of the run\n"));
    QVERIFY(current.startsWith("dpc.staging: line "));
}

void tst_DiagnosticLog::failedReopenDropsLinesAndWarnsOnce()
{
    // The log's folder goes away: neither moving nor reopening can work.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("dpc.log"));
    constexpr qint64 limit = 200;
    QVERIFY(LogFile::start(path, limit, nullptr, 0));
    QLoggingCategory::setFilterRules(QStringLiteral("dpc.*=true"));
    QVERIFY(folder.remove());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot move the log")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot write the log")));
    for (int i = 0; i < 20; ++i)
        qCInfo(dpcStaging, "line %03d of the run", i);

    // With the folder back, the next line finds the file again (retry 0 ms).
    QVERIFY(QDir().mkpath(folder.path()));
    qCInfo(dpcStaging, "line after the folder is back");
    LogFile::stop();
    QCOMPARE(readAll(path), QByteArray("dpc.staging: line after the folder is back\n"));
    QDir(folder.path()).removeRecursively();
}

void tst_DiagnosticLog::reopenWaitsForItsInterval()
{
    // As above, with a retry interval of 1.5 s: a line logged right after the
    // folder is back is still dropped, one logged after the interval is not.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("dpc.log"));
    QVERIFY(LogFile::start(path, 200, nullptr, 1500));
    QLoggingCategory::setFilterRules(QStringLiteral("dpc.*=true"));
    QVERIFY(folder.remove());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot move the log")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot write the log")));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 20; ++i)
        qCInfo(dpcStaging, "line %03d of the run", i);
    QVERIFY(QDir().mkpath(folder.path()));
    qCInfo(dpcStaging, "line right after the folder is back");
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!QFile::exists(path));
    QTest::qWait(int(1700 - timer.elapsed()));
    qCInfo(dpcStaging, "line after the interval");
    LogFile::stop();
    QCOMPARE(readAll(path), QByteArray("dpc.staging: line after the interval\n"));
    QDir(folder.path()).removeRecursively();
}

QTEST_MAIN(tst_DiagnosticLog)
#include "test_diagnostic_log.moc"
