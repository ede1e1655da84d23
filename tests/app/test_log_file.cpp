// The diagnostic log's file: capped and rotated once, open to its owner
// only, and what the program does when it cannot be opened, moved aside or
// opened again.
#include "LogCategories.h"
#include "LogFile.h"
#include "LogFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace LogFixture;

class tst_LogFile : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
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
};

void tst_LogFile::cleanup()
{
    LogFixture::reset(logPath());
}

void tst_LogFile::fileIsCappedAndRotatedOnce()
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

void tst_LogFile::aLogThatCannotBeOpenedIsWarnedAndSkipped_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing folder") << QStringLiteral("missing");
    QTest::newRow("symbolic link") << QStringLiteral("link");
    QTest::newRow("hard link") << QStringLiteral("hard link");
    QTest::newRow("a folder") << QStringLiteral("folder");
}

void tst_LogFile::aLogThatCannotBeOpenedIsWarnedAndSkipped()
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

void tst_LogFile::fileIsOwnersOnly()
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

void tst_LogFile::anotherUsersFileIsRefused()
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

void tst_LogFile::failedMoveStillKeepsTheCap()
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

void tst_LogFile::failedReopenDropsLinesAndWarnsOnce()
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

void tst_LogFile::reopenWaitsForItsInterval()
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

QTEST_MAIN(tst_LogFile)
#include "test_log_file.moc"
