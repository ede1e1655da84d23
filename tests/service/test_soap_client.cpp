#include "DemoServiceProcess.h"
#include "ServiceCall.h"
#include "TlsTestServer.h"
#include "ValueReader.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>
#include <memory>

namespace {
ServiceConfig configFor(const QUrl& endpoint, int timeoutMs = 5000)
{
    ServiceConfig config;
    config.endpoint = endpoint;
    config.namespaceUri = QStringLiteral("http://tempuri.org/");
    config.timeoutMs = timeoutMs;
    config.extraCaPem = DemoServiceProcess::caPem();
    return config;
}

bool isFailureText(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^Error: -?\\d+ - \\S"));
    return pattern.match(text).hasMatch();
}

QString firstElementText(const QByteArray& xml, const QString& name)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            return reader.readElementText();
    }
    return QStringLiteral("<not found: %1>").arg(reader.errorString());
}

const QByteArray loginAnswer =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
    "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
    "<LoginUserResponse xmlns=\"http://tempuri.org/\"><LoginUserResult><ID>5</ID>"
    "<Prov>XX</Prov><Nome>Nicolò Ferrà</Nome></LoginUserResult></LoginUserResponse>"
    "</soap:Body></soap:Envelope>";

// A second call posted to run during the next call's wait: its answer, and
// whether it found the first call still waiting.
struct QueuedCallResult
{
    QString answer;
    bool waitedForFirst = false;
};
using QueuedCall = std::shared_ptr<QueuedCallResult>;
QueuedCall queueDuringWait(SoapClient& other)
{
    auto result = std::make_shared<QueuedCallResult>();
    QTimer::singleShot(50, [result, &other] {
        result->waitedForFirst = SoapClient::callInFlight();
        result->answer = other.CHIAMA_WS("http://tempuri.org/Second", "<y/>");
    });
    return result;
}

} // namespace

class TestSoapClient : public QObject
{
    Q_OBJECT
private slots:
    void answerArrivesAndIsStaged()
    {
        TlsTestServer server;
        QVERIFY(server.listen());
        server.setSoapAnswer(200, loginAnswer);
        SoapClient client(configFor(server.endpoint()));
        QTemporaryDir dir;
        ServiceCall call(client, StagingFolder(dir.path()));

        const QString answer =
            call.post("LoginUser", {{"utente", "Nicolò"}, {"password", "a<b&c>"}});
        QCOMPARE(answer, QString::fromUtf8(loginAnswer));

        QCOMPARE(server.requestCount(), 1);
        const TlsRequest request = server.lastRequest();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QByteArray("/WS/WSQuorvel.asmx"));
        QCOMPARE(request.header("Content-Type"), QByteArray("text/xml; charset=utf-8"));
        QCOMPARE(request.header("SOAPAction"), QByteArray("http://tempuri.org/LoginUser"));
        QCOMPARE(request.body, SoapEnvelope::build("http://tempuri.org/", "LoginUser",
                                                   {{"utente", "Nicolò"}, {"password", "a<b&c>"}})
                                   .toUtf8());
        QCOMPARE(firstElementText(request.body, "utente"), QStringLiteral("Nicolò"));
        QCOMPARE(firstElementText(request.body, "password"), QStringLiteral("a<b&c>"));

        QCOMPARE(call.stage(answer, "LoginUser", StagingFolder::exportFile, false),
                 ServiceCall::Staged::Found);
        const QStringList lines = call.readLines(StagingFolder::exportFile);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(ValueReader::LEGGI_VALORE(lines[2], u"Nome"), QStringLiteral("Nicolò Ferrà"));
    }

    void faultBodyIsReturnedAsText()
    {
        TlsTestServer server;
        QVERIFY(server.listen());
        const QByteArray fault =
            "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
            "<soap:Fault><soap:Code><soap:Value>soap:Receiver</soap:Value></soap:Code>"
            "<soap:Reason><soap:Text xml:lang=\"it\">Errore interno</soap:Text></soap:Reason>"
            "</soap:Fault></soap:Body></soap:Envelope>";
        server.setSoapAnswer(500, fault);
        SoapClient client(configFor(server.endpoint()));
        QCOMPARE(client.CHIAMA_WS("http://tempuri.org/LoginUser", "<x/>"),
                 QString::fromUtf8(fault));
    }

    // Authorities given as PEM text are read at the first call and trusted.
    void authoritiesAsTextAreTrusted()
    {
        TlsTestServer server;
        QVERIFY(server.listen());
        server.setSoapAnswer(200, loginAnswer);
        QFile ca(QStringLiteral(DPC_TEST_CERT_DIR "/ca.pem"));
        QVERIFY(ca.open(QIODevice::ReadOnly));
        ServiceConfig config = configFor(server.endpoint());
        config.extraCaPem = ca.readAll();
        SoapClient client(config);
        const QString answer = client.CHIAMA_WS("http://tempuri.org/LoginUser", "<x/>");
        QVERIFY2(!isFailureText(answer), qPrintable(answer));
        QCOMPARE(server.requestCount(), 1);
    }

    void untrustedCertificateFails()
    {
        TlsTestServer server(TlsTestServer::Mode::UntrustedCertificate);
        QVERIFY(server.listen());
        server.setSoapAnswer(200, loginAnswer);
        SoapClient client(configFor(server.endpoint()));
        const QString answer = client.CHIAMA_WS("http://tempuri.org/LoginUser", "<x/>");
        QVERIFY2(isFailureText(answer), qPrintable(answer));
        QCOMPARE(server.requestCount(), 0);
    }

    void refusedConnectionFails()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 port = probe.serverPort();
        probe.close();
        SoapClient client(
            configFor(QUrl(QStringLiteral("https://127.0.0.1:%1/WS/WSQuorvel.asmx").arg(port))));
        const QString answer = client.CHIAMA_WS("http://tempuri.org/LoginUser", "<x/>");
        QVERIFY2(isFailureText(answer), qPrintable(answer));
    }

    void silentServerTimesOut()
    {
        TlsTestServer server(TlsTestServer::Mode::NeverAnswer);
        QVERIFY(server.listen());
        SoapClient client(configFor(server.endpoint(), 500));
        const QString answer = client.CHIAMA_WS("http://tempuri.org/LoginUser", "<x/>");
        QVERIFY2(isFailureText(answer), qPrintable(answer));
        QCOMPARE(server.requestCount(), 1);
    }

    // A change is posted once: its body arrives whole, and a connection closed
    // before the answer is a failure, never a second post.
    void changeIsPostedOnce()
    {
        TlsTestServer server;
        QVERIFY(server.listen());
        auto delivery = TlsAnswer::Delivery::Whole;
        server.setResponder([&delivery](const TlsRequest&) {
            TlsAnswer answer = TlsAnswer::soap(200, loginAnswer);
            answer.delivery = delivery;
            return answer;
        });
        SoapClient client(configFor(server.endpoint()));
        const QString envelope = "<x>" + QString(200'000, u'\u00e8') + "</x>";
        const QString answer =
            client.CHIAMA_WS("http://tempuri.org/ErroreDPC", envelope, SoapClient::Posting::Once);
        QVERIFY2(answer.contains("<ID>5</ID>"), qPrintable(answer.left(200)));
        QCOMPARE(server.requestCount(), 1);
        QVERIFY(server.lastRequest().body == envelope.toUtf8());

        delivery = TlsAnswer::Delivery::Dropped;
        const QString dropped =
            client.CHIAMA_WS("http://tempuri.org/ErroreDPC", "<x/>", SoapClient::Posting::Once);
        QVERIFY2(isFailureText(dropped), qPrintable(dropped));
        QCOMPARE(server.requestCount(), 2);
    }

    // An answer cut short must not pass for a whole one: its result start tag
    // has arrived, so staging it would show a partial list as found.
    void answerCutShortFails()
    {
        TlsTestServer server(TlsTestServer::Mode::StallMidBody);
        QVERIFY(server.listen());
        server.setSoapAnswer(200, "<LoginUserResult><ID>5</ID>" + QByteArray(1000, ' ') +
                                      "</LoginUserResult>");
        SoapClient client(configFor(server.endpoint(), 500));
        const QString answer = client.CHIAMA_WS("http://tempuri.org/LoginUser", "<x/>");
        QVERIFY2(isFailureText(answer), qPrintable(answer));
    }

    // A call queued while another waits (a posted action run by the wait) goes
    // out only once the first answer is in; each caller gets its own answer.
    void callQueuedDuringAWaitWaitsItsTurn()
    {
        TlsTestServer server;
        QVERIFY(server.listen());
        server.setSoapAnswer(200, loginAnswer);
        server.setAnswerDelay(300);
        SoapClient client(configFor(server.endpoint()));
        SoapClient other(configFor(server.endpoint()));
        const QueuedCall second = queueDuringWait(other);
        const QString first = client.CHIAMA_WS("http://tempuri.org/First", "<x/>");
        QTRY_VERIFY(!second->answer.isEmpty());
        QVERIFY(second->waitedForFirst);
        QCOMPARE(server.requestCount(), 2);
        QCOMPARE(server.mostWaitingAtOnce(), 1);
        QVERIFY2(first.contains("<ID>5</ID>"), qPrintable(first));
        QVERIFY2(second->answer.contains("<ID>5</ID>"), qPrintable(second->answer));
        QVERIFY(!SoapClient::callInFlight());
    }

    // The byte call hands back the body exactly as sent, even a large one that
    // arrives in many pieces and holds bytes that are not UTF-8, and keeps to
    // one call at a time: a call queued during its wait goes out afterwards and
    // leaves the body being gathered intact.
    void utf8AnswerIsTheBodyAsSent()
    {
        QByteArray body = "<LoginUserResult>";
        for (int i = 0; body.size() < 3'000'000; ++i)
            body += "<R><N>Nicolò " + QByteArray::number(i) + "</N><B>\xFF\xC3</B></R>";
        body += "</LoginUserResult>";
        TlsTestServer server;
        QVERIFY(server.listen());
        server.setSoapAnswer(200, body);
        server.setAnswerDelay(300);
        SoapClient client(configFor(server.endpoint()));
        SoapClient other(configFor(server.endpoint()));
        const QueuedCall second = queueDuringWait(other);
        const QByteArray first = client.callUtf8("http://tempuri.org/First", "<x/>");
        QTRY_VERIFY(!second->answer.isEmpty());
        QVERIFY(second->waitedForFirst);
        QCOMPARE(server.mostWaitingAtOnce(), 1);
        QVERIFY(first == body);
        QVERIFY(second->answer == QString::fromUtf8(body));
    }
};

QTEST_GUILESS_MAIN(TestSoapClient)
#include "test_soap_client.moc"
