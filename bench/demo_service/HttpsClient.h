#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QSslSocket>

#include <memory>

// A blocking HTTP/1.1 client on one kept-alive TLS connection, for use on
// the thread that made it. Reads answers sized by length or in chunks.
class HttpsClient
{
public:
    HttpsClient(quint16 port, const QList<QSslCertificate>& ca);

    bool connected() const;
    // Sends a SOAP request; returns the status (0 on failure) and the body.
    int post(const QByteArray& body, QByteArray* answer);
    // Sends headers announcing `length` bytes, then as much of such a body as
    // the server takes; returns the status of the answer and the bytes sent.
    int postHuge(qint64 length, qint64* sent);

private:
    bool readAnswer(int* status, QByteArray* body);
    bool fill(qsizetype bytes);
    QByteArray takeLine();
    QByteArray take(qsizetype bytes);

    std::unique_ptr<QSslSocket> m_socket;
    QByteArray m_buffer; // received, read up to m_offset
    qsizetype m_offset = 0;
};
