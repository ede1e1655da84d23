#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

class DpcService;

// One POST to the service: the SOAP envelope and its headers in, the HTTP
// status, content type and answer out. Independent of the HTTP server so it
// can be driven directly.
class SoapEndpoint
{
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Reply
    {
        int status = 200;
        QByteArray contentType;
        QByteArray body;
        QString operation; // empty when the request did not name a known one
    };

    SoapEndpoint(DpcService& service, QString namespaceUri);

    const QString& namespaceUri() const { return m_namespaceUri; }

    Reply post(const QByteArray& body, const Headers& headers);

    // The action the client declared: the SOAPAction header (quoted or not),
    // else the action parameter of an application/soap+xml content type.
    static std::optional<QString> declaredAction(const Headers& headers);

private:
    DpcService& m_service;
    QString m_namespaceUri;
};
