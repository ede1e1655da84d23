#include "TlsTestServer.h"

#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTimer>

#include <memory>

QByteArray TlsRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

TlsTestServer::TlsTestServer(Mode mode, QObject* parent) : QObject(parent), m_mode(mode)
{
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this,
            &TlsTestServer::takeConnections);
}

bool TlsTestServer::listen()
{
    const bool untrusted = m_mode == Mode::UntrustedCertificate;
    const QString dir = QStringLiteral(DPC_TEST_CERT_DIR);
    const QString certPath = dir + (untrusted ? "/untrusted.pem" : "/server.pem");
    const QString keyPath = dir + (untrusted ? "/untrusted.key" : "/server.key");

    const QList<QSslCertificate> certs = QSslCertificate::fromPath(certPath);
    QFile keyFile(keyPath);
    if (certs.isEmpty() || !keyFile.open(QIODevice::ReadOnly)) {
        qWarning("TlsTestServer: cannot load %s or %s", qPrintable(certPath), qPrintable(keyPath));
        return false;
    }
    const QSslKey key(&keyFile, QSsl::Rsa);
    if (key.isNull()) {
        qWarning("TlsTestServer: cannot read the key %s", qPrintable(keyPath));
        return false;
    }

    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certs.first());
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    m_server.setSslConfiguration(tls);

    if (!m_server.listen(QHostAddress::LocalHost, 0)) {
        qWarning("TlsTestServer: %s", qPrintable(m_server.errorString()));
        return false;
    }
    return true;
}

quint16 TlsTestServer::port() const
{
    return m_server.serverPort();
}

QUrl TlsTestServer::endpoint() const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1/WS/WSQuorvel.asmx").arg(port()));
}

TlsAnswer TlsAnswer::soap(int status, const QByteArray& body)
{
    const QByteArray reason = status == 200   ? "OK"
                              : status == 502 ? "Bad Gateway"
                                              : "Internal Server Error";
    return {"HTTP/1.1 " + QByteArray::number(status) + ' ' + reason,
            {{"Content-Type", "application/soap+xml; charset=utf-8"}},
            body};
}

void TlsTestServer::setAnswer(const QByteArray& statusLine, const TlsHeaders& headers,
                              const QByteArray& body)
{
    m_answer = {statusLine, headers, body};
}

void TlsTestServer::setSoapAnswer(int status, const QByteArray& body)
{
    m_answer = TlsAnswer::soap(status, body);
}

void TlsTestServer::takeConnections()
{
    while (QTcpSocket* pending = m_server.nextPendingConnection()) {
        auto* socket = qobject_cast<QSslSocket*>(pending);
        if (!socket) {
            pending->deleteLater();
            continue;
        }
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QIODevice::readyRead, this, [this, socket] { readFrom(socket); });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void TlsTestServer::readFrom(QSslSocket* socket)
{
    // The partial request travels with its socket until it is whole.
    QByteArray buffer = socket->property("tlsTestBuffer").toByteArray() + socket->readAll();
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        socket->setProperty("tlsTestBuffer", buffer);
        return;
    }

    TlsRequest request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.path = requestLine.value(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        request.headers.append({name, value});
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = value.toLongLong();
    }
    const qsizetype bodyStart = headerEnd + 4;
    if (buffer.size() - bodyStart < contentLength) {
        socket->setProperty("tlsTestBuffer", buffer);
        return;
    }
    request.body = buffer.mid(bodyStart, contentLength);
    socket->setProperty("tlsTestBuffer", QByteArray());
    m_requests.append(request);
    m_mostWaiting = std::max(m_mostWaiting, ++m_waiting);
    const TlsAnswer reply = m_responder ? m_responder(request) : m_answer;
    if (m_delayMs <= 0) {
        answer(socket, reply);
        return;
    }
    QTimer::singleShot(m_delayMs, socket, [this, socket, reply] { answer(socket, reply); });
}

void TlsTestServer::answer(QSslSocket* socket, const TlsAnswer& reply)
{
    if (m_mode == Mode::NeverAnswer || reply.delivery == TlsAnswer::Delivery::Never)
        return;
    --m_waiting;
    if (reply.delivery == TlsAnswer::Delivery::Dropped) {
        socket->abort();
        return;
    }

    QByteArray head = reply.statusLine + "\r\n";
    for (const auto& [name, value] : reply.headers)
        head += name + ": " + value + "\r\n";
    head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";

    if (m_mode == Mode::StallMidBody) {
        socket->write(head + reply.body.left(reply.body.size() / 2));
        return;
    }
    sendAndClose(socket, head,
                 m_mode == Mode::CloseMidBody ? reply.body.left(reply.body.size() / 2)
                                              : reply.body);
}

// Hands the answer to the socket a piece at a time, each as the one before has
// gone out, then closes. Written whole, a large answer would be copied and
// encrypted entirely before its first byte left; this way encrypting and
// sending overlap, as they do for a real service.
void TlsTestServer::sendAndClose(QSslSocket* socket, const QByteArray& head, const QByteArray& body)
{
    static constexpr qsizetype piece = 256 * 1024;
    socket->write(head);
    auto sent = std::make_shared<qsizetype>(0);
    auto feed = [socket, body, sent] {
        if (*sent > body.size())
            return; // already closing
        while (*sent < body.size() &&
               socket->bytesToWrite() + socket->encryptedBytesToWrite() < piece) {
            const qsizetype n = std::min(piece, body.size() - *sent);
            socket->write(body.constData() + *sent, n);
            *sent += n;
        }
        if (*sent == body.size()) {
            *sent = body.size() + 1;
            socket->disconnectFromHost();
        }
    };
    connect(socket, &QSslSocket::encryptedBytesWritten, socket, feed);
    feed();
}
