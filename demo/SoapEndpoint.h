#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>
#include <optional>

namespace Demo {

class DpcService;
class ReportAnswer;
namespace SoapMessage {
struct Request;
}

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
        // Set instead of `body` when the answer is produced piece by piece.
        std::shared_ptr<ReportAnswer> stream;
    };

    // With `streamReports`, large reports of registered errors are answered
    // as a stream, read page by page on the service's connection (which must
    // then be used by this thread only); without, they are built whole.
    // Requests over `maxRequestBytes` are refused.
    SoapEndpoint(DpcService& service, QString namespaceUri, bool streamReports = false,
                 qsizetype maxRequestBytes = 1024 * 1024);

    const QString& namespaceUri() const { return m_namespaceUri; }

    Reply post(const QByteArray& body, const Headers& headers);

    // The action the client declared: the SOAPAction header (quoted or not),
    // else the action parameter of an application/soap+xml content type.
    static std::optional<QString> declaredAction(const Headers& headers);

private:
    void answerReport(const SoapMessage::Request& request, Reply& reply);

    DpcService& m_service;
    QString m_namespaceUri;
    bool m_streamReports;
    qsizetype m_maxRequestBytes;
};

} // namespace Demo
