// The demo service's limits on each connection: stalled connections closed
// and unable to lock others out, a slow report reader cut, Expect:
// 100-continue and the header limits, and the TLS versions it accepts.
#include "DemoSocketTest.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>

class TestDemoConnections : public DemoSocketTest
{
    Q_OBJECT

private slots:
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
                answer = DemoServiceProcess::readUntil(*socket, "</soap:Envelope>");
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
        QVERIFY(DemoServiceProcess::readUntil(*fresh, "</soap:Envelope>")
                    .contains("<LoginUserResult>"));
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
        QVERIFY(DemoServiceProcess::readUntil(*socket, "\r\n\r\n")
                    .startsWith("HTTP/1.1 100 Continue\r\n"));
        socket->write(body);
        const QByteArray answer = DemoServiceProcess::readUntil(*socket, "</soap:Envelope>");
        QVERIFY2(answer.startsWith("HTTP/1.1 200") && answer.contains("<LoginUserResult>"),
                 answer.constData());

        socket = connectTls();
        QVERIFY(socket);
        socket->write(postHeaders(2 * 1024 * 1024, "Expect: 100-continue\r\n"));
        const QByteArray refusal = DemoServiceProcess::readUntil(*socket, "</soap:Envelope>");
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
            QVERIFY(DemoServiceProcess::readUntil(*socket, "\r\n").startsWith("HTTP/1.1 431"));
        }
    }
};

QTEST_GUILESS_MAIN(TestDemoConnections)
#include "test_demo_connections.moc"
