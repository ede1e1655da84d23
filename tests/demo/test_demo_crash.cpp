// The demo service killed (SIGKILL) while eight clients register errors, then
// started again on the same database: every registration it answered is there
// exactly once, the database is sound, and the service answers again. And the
// service's registrations while another process holds the database.
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "SoapEnvelope.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QMutex>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <csignal>

using namespace Demo::Fixtures;

namespace {

const QString kNs = QStringLiteral("http://tempuri.org/");

QByteArray post(const QString& operation, const SoapChildren& children)
{
    const QByteArray body = SoapEnvelope::build(kNs, operation, children).toUtf8();
    return "POST /WS/WSQuorvel.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// A registration told apart from every other by its quantity.
QByteArray registration(int marker)
{
    return post(QStringLiteral("ErroreDPC"), {{"prov", provPA},
                                              {"anno", QString::number(prescriptionYear)},
                                              {"mese", QString::number(prescriptionMonth)},
                                              {"codfarma", QString::number(pharmacyCode)},
                                              {"numrickey", prescriptionPA},
                                              {"aic", aicPlan},
                                              {"pezzi", QString::number(marker)},
                                              {"errore", QString::number(errorPharmacy)}});
}

// Reads one answer: until the envelope ends, the peer closes, or 10 s pass.
QByteArray readAnswer(QSslSocket& socket)
{
    QByteArray data;
    const QDeadlineTimer deadline(10000);
    while (!data.contains("</soap:Envelope>") && !deadline.hasExpired()) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(200) &&
            socket.state() != QAbstractSocket::ConnectedState)
            break;
        data += socket.readAll();
    }
    return data + socket.readAll();
}

} // namespace

class TestDemoCrash : public QObject
{
    Q_OBJECT

private:
    // Registers from eight clients until `killAfter` registrations have been
    // answered, then kills the service. Adds the markers of the answered
    // registrations to m_answered, and every marker sent to m_sent.
    void registerAndKill(int killAfter)
    {
        QVERIFY2(m_service.start(m_database), qPrintable(m_service.output()));
        const QList<QSslCertificate> ca = DemoServiceProcess::caCertificates();
        const quint16 port = m_service.port();
        std::atomic<int> answered = 0;
        std::atomic<bool> stop = false;
        QMutex mutex;
        std::vector<std::unique_ptr<QThread>> clients;
        for (int c = 0; c < 8; ++c) {
            clients.emplace_back(QThread::create([&, c] {
                QSslSocket socket;
                if (!DemoServiceProcess::connectTls(socket, ca, port))
                    return;
                for (int i = 0; !stop; ++i) {
                    const int marker = m_round * 1000000 + c * 100000 + i + 1;
                    {
                        const QMutexLocker lock(&mutex);
                        m_sent.insert(marker);
                    }
                    socket.write(registration(marker));
                    const QByteArray answer = readAnswer(socket);
                    if (!answer.startsWith("HTTP/1.1 200") ||
                        !answer.contains("<ErroreDPCResult><Errore><ID>"))
                        return; // the service is gone
                    const QMutexLocker lock(&mutex);
                    m_answered.insert(marker);
                    ++answered;
                }
            }));
            clients.back()->start();
        }
        const QDeadlineTimer deadline(60000);
        while (answered < killAfter && !deadline.hasExpired())
            QThread::msleep(1);
        QVERIFY(::kill(pid_t(m_service.processId()), SIGKILL) == 0);
        stop = true;
        for (auto& client : clients)
            QVERIFY(client->wait(30000));
        m_service.stop();
        QVERIFY2(answered >= killAfter, qPrintable(QString::number(answered)));
        ++m_round;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_database = m_dir.filePath(QStringLiteral("demo.sqlite"));
    }

    void killedInTheMiddleOfRegistrations_data()
    {
        QTest::addColumn<int>("killAfter");
        QTest::newRow("early") << 5;
        QTest::newRow("later") << 150;
        QTest::newRow("much later") << 600;
    }

    void killedInTheMiddleOfRegistrations()
    {
        QFETCH(int, killAfter);
        registerAndKill(killAfter);
        if (QTest::currentTestFailed())
            return;

        // Started again on the same database, the service answers.
        QVERIFY2(m_service.start(m_database), qPrintable(m_service.output()));
        QSslSocket socket;
        QVERIFY(m_service.connectTls(socket));
        socket.write(
            post(QStringLiteral("LoginUser"), {{"utente", userPA}, {"password", passwordPA}}));
        QVERIFY(readAnswer(socket).contains("<LoginUserResult><ID>"));

        // Read beside the running service (WAL lets a reader in).
        const QString name = QStringLiteral("crash-check-%1").arg(m_round);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(m_database);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
            QVERIFY(db.open());
            QSqlQuery check(db);
            QVERIFY(check.exec(QStringLiteral("PRAGMA integrity_check")) && check.next());
            QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
            QSqlQuery counts(db);
            QVERIFY(counts.exec(QStringLiteral("SELECT pezzi, COUNT(*) FROM registered_errors"
                                               " WHERE pezzi >= 1000000 GROUP BY pezzi")));
            QHash<int, int> stored;
            while (counts.next())
                stored.insert(counts.value(0).toInt(), counts.value(1).toInt());
            for (const int marker : std::as_const(m_answered))
                QVERIFY2(stored.value(marker) == 1, qPrintable(QString::number(marker)));
            // Nothing but what was sent, and nothing twice.
            for (auto it = stored.cbegin(); it != stored.cend(); ++it)
                QVERIFY2(it.value() == 1 && m_sent.contains(it.key()),
                         qPrintable(QString::number(it.key())));
        }
        QSqlDatabase::removeDatabase(name);
        m_service.stop();
    }

    // Another process holds the database's write lock (BEGIN IMMEDIATE) for
    // 1.5 s: two registrations sent meanwhile wait for it, each without
    // holding the service's own write lock while it backs off, and are then
    // stored once each; later ones are answered at once.
    void writeLockHeldByAnotherProcess()
    {
        const QString database = m_dir.filePath(QStringLiteral("locked.sqlite"));
        QVERIFY2(m_service.start(database), qPrintable(m_service.output()));
        const QList<QSslCertificate> ca = DemoServiceProcess::caCertificates();
        const quint16 port = m_service.port();
        const QString name = QStringLiteral("lock-holder");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(database);
            QVERIFY(db.open());
            QSqlQuery lock(db);
            QVERIFY(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
            std::atomic<int> answered = 0;
            std::atomic<qint64> slowest = 0;
            std::vector<std::unique_ptr<QThread>> clients;
            for (int c = 0; c < 2; ++c) {
                clients.emplace_back(QThread::create([&, c] {
                    QSslSocket socket;
                    if (!DemoServiceProcess::connectTls(socket, ca, port))
                        return;
                    QElapsedTimer timer;
                    timer.start();
                    socket.write(registration(900000 + c));
                    if (readAnswer(socket).contains("<ErroreDPCResult><Errore><ID>"))
                        ++answered;
                    slowest = std::max<qint64>(slowest, timer.elapsed());
                }));
                clients.back()->start();
            }
            QThread::msleep(1500);
            QVERIFY(lock.exec(QStringLiteral("ROLLBACK")));
            for (auto& client : clients)
                QVERIFY(client->wait(20000));
            QCOMPARE(answered.load(), 2);
            QVERIFY2(slowest >= 1000, qPrintable(QString::number(slowest)));

            // Later registrations are answered, at once.
            QSslSocket socket;
            QVERIFY(m_service.connectTls(socket));
            for (int i = 0; i < 3; ++i) {
                QElapsedTimer timer;
                timer.start();
                socket.write(registration(900010 + i));
                QVERIFY(readAnswer(socket).contains("<ErroreDPCResult><Errore><ID>"));
                QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
            }
            QSqlQuery stored(db);
            QVERIFY(stored.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT pezzi) FROM"
                                               " registered_errors WHERE pezzi >= 900000")) &&
                    stored.next());
            QCOMPARE(stored.value(0).toInt(), 5);
            QCOMPARE(stored.value(1).toInt(), 5);
        }
        QSqlDatabase::removeDatabase(name);
        m_service.stop();
    }

private:
    QTemporaryDir m_dir;
    QString m_database;
    DemoServiceProcess m_service;
    int m_round = 1;
    QSet<int> m_sent;
    QSet<int> m_answered;
};

QTEST_MAIN(TestDemoCrash)
#include "test_demo_crash.moc"
