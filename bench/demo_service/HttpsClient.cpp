#include "HttpsClient.h"

#include <QSslConfiguration>

namespace {

constexpr int kTimeoutMs = 60000;

QByteArray headers(qint64 length)
{
    return "POST /WS/WSQuorvel.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(length) + "\r\n\r\n";
}

} // namespace

HttpsClient::HttpsClient(quint16 port, const QList<QSslCertificate>& ca)
    : m_socket(std::make_unique<QSslSocket>())
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(ca);
    m_socket->setSslConfiguration(tls);
    m_socket->connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    m_socket->waitForEncrypted(kTimeoutMs);
}

bool HttpsClient::connected() const
{
    return m_socket->isEncrypted();
}

int HttpsClient::post(const QByteArray& body, QByteArray* answer)
{
    m_socket->write(headers(body.size()) + body);
    int status = 0;
    return readAnswer(&status, answer) ? status : 0;
}

int HttpsClient::postHuge(qint64 length, qint64* sent)
{
    m_socket->write(headers(length));
    const QByteArray piece(1024 * 1024, 'x');
    *sent = 0;
    while (*sent < length && m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->write(piece);
        *sent += piece.size();
        m_socket->waitForBytesWritten(1000);
        if (m_socket->waitForReadyRead(1) || m_socket->bytesAvailable())
            break; // answered early
    }
    int status = 0;
    QByteArray body;
    return readAnswer(&status, &body) ? status : 0;
}

bool HttpsClient::fill(qsizetype bytes)
{
    while (m_buffer.size() - m_offset < bytes) {
        if (!m_socket->bytesAvailable() && !m_socket->waitForReadyRead(kTimeoutMs))
            return false;
        m_buffer += m_socket->readAll();
    }
    return true;
}

QByteArray HttpsClient::take(qsizetype bytes)
{
    const QByteArray taken = m_buffer.mid(m_offset, bytes);
    m_offset += bytes;
    if (m_offset > (1 << 20)) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
    return taken;
}

QByteArray HttpsClient::takeLine()
{
    qsizetype end = -1;
    while ((end = m_buffer.indexOf("\r\n", m_offset)) < 0) {
        if (!m_socket->bytesAvailable() && !m_socket->waitForReadyRead(kTimeoutMs))
            return {};
        m_buffer += m_socket->readAll();
    }
    const QByteArray line = take(end - m_offset);
    take(2);
    return line;
}

bool HttpsClient::readAnswer(int* status, QByteArray* body)
{
    body->clear();
    QByteArray statusLine;
    do {
        statusLine = takeLine();
        qint64 length = -1;
        bool chunked = false;
        for (QByteArray line = takeLine(); !line.isEmpty(); line = takeLine()) {
            const QByteArray lower = line.toLower();
            if (lower.startsWith("content-length:"))
                length = lower.mid(15).trimmed().toLongLong();
            else if (lower.startsWith("transfer-encoding:") && lower.contains("chunked"))
                chunked = true;
        }
        if (!statusLine.startsWith("HTTP/1."))
            return false;
        *status = statusLine.mid(9, 3).toInt();
        if (*status == 100)
            continue;
        if (chunked) {
            for (;;) {
                const qint64 size = takeLine().trimmed().toLongLong(nullptr, 16);
                if (!fill(size + 2))
                    return false;
                body->append(take(size));
                take(2);
                if (size == 0)
                    return true;
            }
        }
        if (length >= 0) {
            if (!fill(length))
                return false;
            *body = take(length);
            return true;
        }
        while (m_socket->waitForReadyRead(kTimeoutMs))
            m_buffer += m_socket->readAll();
        *body = m_buffer.mid(m_offset);
        m_buffer.clear();
        m_offset = 0;
        return true;
    } while (*status == 100);
    return false;
}
