#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSslServer>
#include <QUrl>
#include <functional>

class QSslSocket;

using TlsHeaders = QList<QPair<QByteArray, QByteArray>>;

// One HTTP request as the loopback server received it.
struct TlsRequest
{
    QByteArray method;
    QByteArray path;
    TlsHeaders headers; // in the order they arrived
    QByteArray body;

    // The first header of that name (case-insensitive), or an empty array.
    QByteArray header(const QByteArray& name) const;
};

// How the server answers one request.
struct TlsAnswer
{
    enum class Delivery
    {
        Whole,   // status line, headers and body, then the connection closes
        Dropped, // the connection closes before a byte of the answer
        Never,   // nothing is sent and the connection stays open
    };
    QByteArray statusLine = "HTTP/1.1 200 OK";
    TlsHeaders headers;
    QByteArray body;
    Delivery delivery = Delivery::Whole;

    static TlsAnswer soap(int status, const QByteArray& body);
};

// An HTTPS server on 127.0.0.1 (any free port) inside the test process. It reads
// each request whole (headers, then Content-Length bytes of body), records it
// and answers with the bytes the test set, then closes the connection.
class TlsTestServer : public QObject
{
    Q_OBJECT
public:
    enum class Mode
    {
        Answer,               // certificate signed by the test CA, answers
        UntrustedCertificate, // self-signed certificate no client trusts
        NeverAnswer,          // reads the request, then stays silent
        StallMidBody,         // sends the headers and half the body, then stays silent
        CloseMidBody,         // sends the headers and half the body, then closes
    };

    explicit TlsTestServer(Mode mode = Mode::Answer, QObject* parent = nullptr);

    // Changes how the following requests are answered, between the modes that
    // share a certificate (all but UntrustedCertificate).
    void setMode(Mode mode) { m_mode = mode; }

    // Starts listening; false (with a warning) when the certificates cannot be
    // loaded or no port can be bound.
    bool listen();
    quint16 port() const;
    // https://127.0.0.1:PORT/WS/WSQuorvel.asmx
    QUrl endpoint() const;

    // The answer to every following request. Content-Length and
    // "Connection: close" are added.
    void setAnswer(const QByteArray& statusLine, const TlsHeaders& headers, const QByteArray& body);
    void setSoapAnswer(int status, const QByteArray& body);
    // Answers each following request with what `responder` makes of it (a
    // whole answer still goes out as the mode says); an empty function goes
    // back to the answer set above.
    void setResponder(std::function<TlsAnswer(const TlsRequest&)> responder)
    {
        m_responder = std::move(responder);
    }
    // Answers each request only after this many milliseconds (a slow service).
    void setAnswerDelay(int ms) { m_delayMs = ms; }
    // The most requests that were ever waiting for their answers at once.
    int mostWaitingAtOnce() const { return m_mostWaiting; }

    int requestCount() const { return m_requests.size(); }
    // Every request received, oldest first.
    const QList<TlsRequest>& requests() const { return m_requests; }
    TlsRequest lastRequest() const
    {
        return m_requests.isEmpty() ? TlsRequest{} : m_requests.last();
    }

private:
    void takeConnections();
    void readFrom(QSslSocket* socket);
    void answer(QSslSocket* socket, const TlsAnswer& reply);
    void sendAndClose(QSslSocket* socket, const QByteArray& head, const QByteArray& body);

    Mode m_mode;
    QSslServer m_server;
    TlsAnswer m_answer;
    std::function<TlsAnswer(const TlsRequest&)> m_responder;
    QList<TlsRequest> m_requests;
    int m_delayMs = 0;
    int m_waiting = 0;
    int m_mostWaiting = 0;
};
