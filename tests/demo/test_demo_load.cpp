// The demo service under load: answers in parallel, bounded memory, idle
// connections closed. Every test runs its own service on its own port and
// its own copy of the database.
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "SoapEnvelope.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

const QString kNs = QStringLiteral("http://tempuri.org/");

QByteArray postHeaders(qint64 length, const QByteArray& extra = {})
{
    return "POST /WS/WSQuorvel.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(length) + "\r\n" + extra + "\r\n";
}

QByteArray request(const QString& op, const SoapChildren& children)
{
    return SoapEnvelope::build(kNs, op, children).toUtf8();
}

const SoapChildren kLogin{{"utente", Demo::Fixtures::userPA},
                          {"password", Demo::Fixtures::passwordPA}};
const SoapChildren kWholeYear{{"prov", Demo::Fixtures::provPA},
                              {"flusso", "2"},
                              {"anno", "2025"},
                              {"mese", "0"},
                              {"farmacia", "0"}};

// Peak resident memory of a process, in KiB.
qint64 peakMemoryKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// The body of a chunked answer, its pieces joined; what follows a cut is lost.
QByteArray dechunked(const QByteArray& answer)
{
    QByteArray body;
    qsizetype at = answer.indexOf("\r\n\r\n");
    if (at < 0)
        return body;
    at += 4;
    for (;;) {
        const qsizetype lineEnd = answer.indexOf("\r\n", at);
        if (lineEnd < 0)
            return body;
        bool ok = false;
        const qsizetype size = answer.mid(at, lineEnd - at).toLongLong(&ok, 16);
        if (!ok || size == 0 || lineEnd + 2 + size > answer.size())
            return body;
        body += answer.mid(lineEnd + 2, size);
        at = lineEnd + 2 + size + 2;
    }
}

} // namespace

class TestDemoLoad : public QObject
{
    Q_OBJECT

private:
    // A TLS connection to the service, trusting the demo CA.
    std::unique_ptr<QSslSocket> connectTls()
    {
        auto socket = std::make_unique<QSslSocket>();
        if (!m_service.connectTls(*socket))
            return nullptr;
        return socket;
    }

    // Reads until `until` is in what arrived, the peer closes, or 10 s pass.
    static QByteArray readUntil(QAbstractSocket& socket, const QByteArray& until)
    {
        QByteArray data;
        const QDeadlineTimer deadline(10000);
        while (!data.contains(until) && !deadline.hasExpired()) {
            if (!socket.bytesAvailable() && !socket.waitForReadyRead(200) &&
                socket.state() != QAbstractSocket::ConnectedState)
                break;
            data += socket.readAll();
        }
        return data + socket.readAll();
    }

    // Starts the service on a fresh copy of the seeded database.
    void startService(const QStringList& args = {})
    {
        const QString file = m_dir.filePath(QStringLiteral("db-%1.sqlite").arg(++m_copies));
        QVERIFY(QFile::copy(m_seeded, file));
        QVERIFY2(m_service.start(file, args), qPrintable(m_service.output()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Large enough that a whole-year report takes a while to produce.
        m_seeded = m_dir.filePath(QStringLiteral("seeded.sqlite"));
        QVERIFY2(m_service.start(m_seeded, {QStringLiteral("--scale"), QStringLiteral("20")}),
                 qPrintable(m_service.output()));
        m_service.stop();
    }

    void cleanup() { m_service.stop(); }

    // A log-in sent while two whole-year reports are asked for is answered
    // without waiting for them: in well under half the time one report takes
    // on its own (answered one at a time, it would wait for both).
    void loginAnsweredWhileReportsRun()
    {
        startService({QStringLiteral("--threads"), QStringLiteral("2")});
        const QByteArray report = request("F_LoadErroreByAnnoMese", kWholeYear);
        const QByteArray reportRequest = postHeaders(report.size()) + report;
        const QByteArray reportEnd =
            "</F_LoadErroreByAnnoMeseResult></F_LoadErroreByAnnoMeseResponse>";

        auto alone = connectTls();
        QVERIFY(alone);
        QElapsedTimer timer;
        timer.start();
        alone->write(reportRequest);
        QVERIFY(readUntil(*alone, reportEnd).contains(reportEnd));
        const qint64 reportMs = timer.elapsed();

        std::vector<std::unique_ptr<QSslSocket>> reports;
        for (int i = 0; i < 3; ++i) {
            reports.push_back(connectTls());
            QVERIFY(reports.back());
        }
        const std::unique_ptr<QSslSocket> login = std::move(reports.back());
        reports.pop_back();
        for (auto& socket : reports) {
            socket->write(reportRequest);
            QVERIFY(socket->waitForBytesWritten(10000));
        }
        const QByteArray body = request("LoginUser", kLogin);
        timer.start();
        login->write(postHeaders(body.size()) + body);
        const QByteArray answer = readUntil(*login, "</soap:Envelope>");
        const qint64 loginMs = timer.elapsed();
        QVERIFY2(answer.contains("<LoginUserResult><ID>17</ID>"), answer.constData());
        QVERIFY2(loginMs * 2 < reportMs,
                 qPrintable(
                     QStringLiteral("log-in %1 ms, one report %2 ms").arg(loginMs).arg(reportMs)));

        for (auto& socket : reports) {
            const QByteArray all = readUntil(*socket, reportEnd);
            QVERIFY(all.startsWith("HTTP/1.1 200"));
            QVERIFY(all.contains(reportEnd));
        }
    }

    // Four clients announce 50 MiB bodies at once and start sending them: each
    // is refused with the oversize fault long before its body is through, and
    // the service never holds them.
    void oversizeBodiesRefusedWithBoundedMemory()
    {
        startService();
        constexpr qint64 kBody = 50 * 1024 * 1024;
        std::atomic<int> refused = 0;
        std::atomic<qint64> mostSent = 0;
        const QList<QSslCertificate> ca = DemoServiceProcess::caCertificates();
        const quint16 port = m_service.port();
        std::vector<std::unique_ptr<QThread>> clients;
        for (int c = 0; c < 4; ++c) {
            clients.emplace_back(QThread::create([&] {
                QSslSocket socket;
                if (!DemoServiceProcess::connectTls(socket, ca, port))
                    return;
                socket.write(postHeaders(kBody));
                const QByteArray piece(1024 * 1024, 'x');
                qint64 sent = 0;
                QByteArray answer;
                while (sent < kBody && socket.state() == QAbstractSocket::ConnectedState &&
                       !answer.contains("</soap:Envelope>")) {
                    socket.write(piece);
                    sent += piece.size();
                    socket.waitForBytesWritten(1000);
                    socket.waitForReadyRead(10);
                    answer += socket.readAll();
                }
                answer += readUntil(socket, "</soap:Envelope>");
                if (answer.startsWith("HTTP/1.1 500") &&
                    answer.contains("larger than 1048576 bytes"))
                    ++refused;
                qint64 most = mostSent;
                while (sent > most && !mostSent.compare_exchange_weak(most, sent)) {
                }
            }));
            clients.back()->start();
        }
        for (auto& client : clients)
            QVERIFY(client->wait(120000));
        QCOMPARE(refused.load(), 4);
        QVERIFY2(mostSent < kBody, qPrintable(QString::number(mostSent)));
        const qint64 peak = peakMemoryKiB(m_service.processId());
        QVERIFY2(peak > 0 && peak < 150 * 1024, qPrintable(QString::number(peak)));
    }

    // A connection that stalls before the handshake, after it, or in the
    // middle of its headers is closed once the idle limit has passed.
    void stalledConnectionsClosed()
    {
        startService({QStringLiteral("--idle-timeout"), QStringLiteral("2")});
        QTcpSocket beforeHandshake;
        beforeHandshake.connectToHost(QStringLiteral("127.0.0.1"), m_service.port());
        QVERIFY(beforeHandshake.waitForConnected(10000));
        const auto afterHandshake = connectTls();
        const auto midHeaders = connectTls();
        QVERIFY(afterHandshake && midHeaders);
        midHeaders->write("POST /WS/WSQuorvel.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Le");
        QVERIFY(midHeaders->waitForBytesWritten(5000));

        for (QAbstractSocket* socket : {static_cast<QAbstractSocket*>(&beforeHandshake),
                                        static_cast<QAbstractSocket*>(afterHandshake.get()),
                                        static_cast<QAbstractSocket*>(midHeaders.get())}) {
            const QDeadlineTimer deadline(20000);
            while (socket->state() == QAbstractSocket::ConnectedState && !deadline.hasExpired())
                socket->waitForDisconnected(500);
            QVERIFY(socket->state() != QAbstractSocket::ConnectedState);
        }
        // The service still answers.
        const auto fresh = connectTls();
        QVERIFY(fresh);
    }

    // Every place is taken by a client that stalls: before the TLS handshake,
    // in the middle of a ClientHello, in the middle of its headers, in the
    // middle of its body, and (most of them) after whole headers announcing a
    // body that never comes. Log-ins are answered all the same: the first ones
    // at once, by displacing the connections that wait for their headers, the
    // next once the bodies have fallen behind the minimum rate (10 s).
    void stalledConnectionsCannotLockOut()
    {
        startService();
        std::vector<std::unique_ptr<QAbstractSocket>> stalled;
        const QByteArray login = request("LoginUser", kLogin);
        for (int i = 0; i < 60; ++i) {
            auto socket = connectTls();
            QVERIFY(socket);
            socket->write(postHeaders(login.size()));
            QVERIFY(socket->waitForBytesWritten(5000));
            stalled.push_back(std::move(socket));
        }
        auto bodyStarted = connectTls();
        QVERIFY(bodyStarted);
        bodyStarted->write(postHeaders(login.size()) + login.left(20));
        auto midHeaders = connectTls();
        QVERIFY(midHeaders);
        midHeaders->write("POST /WS/WSQuorvel.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Le");
        for (auto* socket : {bodyStarted.get(), midHeaders.get()})
            QVERIFY(socket->waitForBytesWritten(5000));
        auto noHandshake = std::make_unique<QTcpSocket>();
        auto halfHello = std::make_unique<QTcpSocket>();
        for (QTcpSocket* socket : {noHandshake.get(), halfHello.get()}) {
            socket->connectToHost(QStringLiteral("127.0.0.1"), m_service.port());
            QVERIFY(socket->waitForConnected(10000));
        }
        halfHello->write(QByteArray::fromHex("160301020001"));
        QVERIFY(halfHello->waitForBytesWritten(5000));
        stalled.push_back(std::move(bodyStarted));
        stalled.push_back(std::move(midHeaders));
        stalled.push_back(std::move(noHandshake));
        stalled.push_back(std::move(halfHello));

        // Two more log-ins than there are connections waiting for headers.
        for (int i = 0; i < 4; ++i) {
            const QDeadlineTimer deadline(12000);
            QByteArray answer;
            while (!answer.contains("<LoginUserResult><ID>17</ID>") && !deadline.hasExpired()) {
                const auto socket = connectTls();
                if (!socket)
                    continue; // no place yet: the handshake was cut
                socket->write(postHeaders(login.size()) + login);
                answer = readUntil(*socket, "</soap:Envelope>");
            }
            QVERIFY2(answer.contains("<LoginUserResult><ID>17</ID>"),
                     qPrintable(QStringLiteral("log-in %1").arg(i)));
        }

        // A client that drips its headers a byte at a time is never idle, yet
        // it is cut once its 10 s are up; so are the bodies that fell behind
        // (the idle limit, 30 s, would have kept both). It may have to try
        // again for a place, until a stalled connection is a second behind.
        std::unique_ptr<QSslSocket> drip;
        for (const QDeadlineTimer deadline(12000); !drip && !deadline.hasExpired();)
            drip = connectTls();
        QVERIFY(drip);
        const QByteArray slow =
            "POST /WS/WSQuorvel.asmx HTTP/1.1\r\nX-Slow: " + QByteArray(200, 'a');
        const QDeadlineTimer deadline(16000);
        for (qsizetype sent = 0; drip->state() == QAbstractSocket::ConnectedState &&
                                 sent < slow.size() && !deadline.hasExpired();
             ++sent) {
            drip->write(slow.mid(sent, 1));
            drip->waitForBytesWritten(500);
            drip->waitForDisconnected(500);
        }
        QVERIFY(drip->state() != QAbstractSocket::ConnectedState);
        for (auto& socket : stalled) {
            while (socket->state() == QAbstractSocket::ConnectedState && !deadline.hasExpired())
                socket->waitForDisconnected(200);
            QVERIFY(socket->state() != QAbstractSocket::ConnectedState);
        }
    }

    // A whole-year report, many streamed pieces long, lists every record the
    // database holds for it, once each and in order.
    void streamedReportIsWhole()
    {
        startService();
        const QString file = m_dir.filePath(QStringLiteral("db-%1.sqlite").arg(m_copies));
        qint64 expected = 0;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                        QStringLiteral("report-count"));
            db.setDatabaseName(file);
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            QVERIFY(db.open());
            QSqlQuery count(db);
            QVERIFY(count.exec(QStringLiteral(
                        "SELECT COUNT(*) FROM registered_errors WHERE prov = 'PA' AND anno = 2025"
                        " AND cancelled_at IS NULL")) &&
                    count.next());
            expected = count.value(0).toLongLong();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("report-count"));
        QVERIFY2(expected > 2000, qPrintable(QString::number(expected)));

        const QByteArray report = request("F_LoadErroreByAnnoMese", kWholeYear);
        const QByteArray end = "</F_LoadErroreByAnnoMeseResult></F_LoadErroreByAnnoMeseResponse>";
        auto socket = connectTls();
        QVERIFY(socket);
        socket->write(postHeaders(report.size()) + report);
        const QByteArray answer = readUntil(*socket, end);
        QVERIFY(answer.startsWith("HTTP/1.1 200"));
        QVERIFY(answer.contains("Transfer-Encoding: chunked"));
        const QByteArray body = dechunked(answer);
        QVERIFY(body.endsWith(end + "</soap:Body></soap:Envelope>"));
        QVERIFY(body.size() > 4 * 64 * 1024); // several pieces
        qint64 records = 0;
        qint64 previous = 0;
        for (qsizetype at = body.indexOf("<Errore><ID>"); at >= 0;
             at = body.indexOf("<Errore><ID>", at + 1)) {
            const qsizetype from = at + 12;
            const qint64 id = body.mid(from, body.indexOf('<', from) - from).toLongLong();
            QVERIFY(id > previous);
            previous = id;
            ++records;
        }
        QCOMPARE(records, expected);
    }

    // A client that reads a streamed report too slowly has it cut once the
    // request's time (--request-timeout) is up, and the connection closed.
    void slowReportReaderIsCut()
    {
        startService({QStringLiteral("--request-timeout"), QStringLiteral("2")});
        const QByteArray report = request("F_LoadErroreByAnnoMese", kWholeYear);
        const QByteArray end = "</F_LoadErroreByAnnoMeseResult></F_LoadErroreByAnnoMeseResponse>";
        QSslSocket socket;
        // Small buffers, so that the answer waits in the service, not here.
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        socket.setReadBufferSize(4096);
        QVERIFY(m_service.connectTls(socket));
        socket.write(postHeaders(report.size()) + report);
        QVERIFY(socket.waitForBytesWritten(5000));
        QThread::msleep(3500); // nothing read meanwhile
        socket.setReadBufferSize(0);
        QByteArray answer;
        const QDeadlineTimer deadline(10000);
        while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
            socket.waitForReadyRead(200);
            answer += socket.readAll();
        }
        answer += socket.readAll();
        QVERIFY(socket.state() != QAbstractSocket::ConnectedState);
        QVERIFY(answer.startsWith("HTTP/1.1 200"));
        QVERIFY(!dechunked(answer).contains(end));

        // The service goes on answering.
        auto fresh = connectTls();
        QVERIFY(fresh);
        const QByteArray login = request("LoginUser", kLogin);
        fresh->write(postHeaders(login.size()) + login);
        QVERIFY(readUntil(*fresh, "</soap:Envelope>").contains("<LoginUserResult>"));
    }

    // A body sent without a declared length (chunked) that passes --max-body
    // is refused, and none of the four sent at once is held.
    void chunkedBodyOverTheLimitRefused()
    {
        startService();
        const qint64 before = peakMemoryKiB(m_service.processId());
        std::vector<std::unique_ptr<QSslSocket>> clients;
        for (int c = 0; c < 4; ++c) {
            clients.push_back(connectTls());
            QVERIFY(clients.back());
            clients.back()->write("POST /WS/WSQuorvel.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                  "Content-Type: application/soap+xml; charset=utf-8\r\n"
                                  "Transfer-Encoding: chunked\r\n\r\n");
        }
        // 3 MiB each: past the 1 MiB limit, within what is drained before
        // the connection is closed.
        const QByteArray piece(64 * 1024, 'x');
        const QByteArray chunk = QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        for (int i = 0; i < 48; ++i) {
            for (auto& socket : clients) {
                socket->write(chunk);
                QVERIFY(socket->waitForBytesWritten(10000));
            }
        }
        for (auto& socket : clients) {
            socket->write("0\r\n\r\n");
            const QByteArray answer = readUntil(*socket, "</soap:Envelope>");
            QVERIFY2(answer.startsWith("HTTP/1.1 500") &&
                         answer.contains("larger than 1048576 bytes"),
                     answer.left(200).constData());
        }
        // Each may be held up to the 1 MiB limit, 4 MiB in all, plus the
        // connections' own buffers; held whole, the four would add 12 MiB more.
        QVERIFY(before > 0);
#ifndef __SANITIZE_ADDRESS__
        // (Under AddressSanitizer freed memory waits in quarantine: the peak
        // then says nothing of what was held.)
        const qint64 added = peakMemoryKiB(m_service.processId()) - before;
        QVERIFY2(added < 10 * 1024, qPrintable(QString::number(added)));
#endif
    }

    // Only TLS 1.2 and 1.3 are negotiated. The client's security level is
    // lowered so that it offers the older versions at all.
    void onlyTls12And13()
    {
        startService();
        const QString address = QStringLiteral("127.0.0.1:%1").arg(m_service.port());
        for (const auto& [version, accepted] :
             {std::pair{"-tls1", false}, std::pair{"-tls1_1", false}, std::pair{"-tls1_2", true},
              std::pair{"-tls1_3", true}}) {
            QProcess client;
            client.start(QStringLiteral(DPC_OPENSSL),
                         {QStringLiteral("s_client"), QStringLiteral("-connect"), address,
                          QLatin1String(version), QStringLiteral("-cipher"),
                          QStringLiteral("DEFAULT@SECLEVEL=0")});
            client.closeWriteChannel();
            QVERIFY(client.waitForFinished(10000));
            const QByteArray out = client.readAllStandardOutput();
            QVERIFY2(out.contains(", Cipher is "), version);
            QVERIFY2(out.contains(", Cipher is (NONE)") != accepted, version);
        }
    }

    // Expect: 100-continue gets "100 Continue" for an acceptable request, and
    // the refusal, with no interim answer, for one that is too large; header
    // fields beyond the limits are refused too.
    void expectContinueAndHeaderLimits()
    {
        startService();
        const QByteArray body = request("LoginUser", kLogin);
        auto socket = connectTls();
        QVERIFY(socket);
        socket->write(postHeaders(body.size(), "Expect: 100-continue\r\n"));
        QVERIFY(readUntil(*socket, "\r\n\r\n").startsWith("HTTP/1.1 100 Continue\r\n"));
        socket->write(body);
        const QByteArray answer = readUntil(*socket, "</soap:Envelope>");
        QVERIFY2(answer.startsWith("HTTP/1.1 200") && answer.contains("<LoginUserResult>"),
                 answer.constData());

        socket = connectTls();
        QVERIFY(socket);
        socket->write(postHeaders(2 * 1024 * 1024, "Expect: 100-continue\r\n"));
        const QByteArray refusal = readUntil(*socket, "</soap:Envelope>");
        QVERIFY2(refusal.startsWith("HTTP/1.1 500") &&
                     refusal.contains("larger than 1048576 bytes"),
                 refusal.constData());

        QByteArray many;
        for (int i = 0; i < 200; ++i)
            many += "X-Field-" + QByteArray::number(i) + ": 1\r\n";
        for (const QByteArray& extra : {many, "X-Long: " + QByteArray(128 * 1024, 'a') + "\r\n"}) {
            socket = connectTls();
            QVERIFY(socket);
            socket->write(postHeaders(body.size(), extra) + body);
            QVERIFY(readUntil(*socket, "\r\n").startsWith("HTTP/1.1 431"));
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_seeded;
    int m_copies = 0;
    DemoServiceProcess m_service;
};

QTEST_GUILESS_MAIN(TestDemoLoad)
#include "test_demo_load.moc"
