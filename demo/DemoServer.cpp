#include "DemoServer.h"

#include "Operations.h"
#include "Wsdl.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTextStream>
#include <QUrlQuery>

DemoServer::DemoServer(SoapEndpoint& endpoint, bool verbose)
    : m_endpoint(endpoint), m_verbose(verbose)
{
    m_server.route(QLatin1String(kPath),
                   [this](const QHttpServerRequest& request) { return respond(request); });
}

quint16 DemoServer::listen(const QSslCertificate& certificate, const QSslKey& key, quint16 port)
{
    m_server.sslSetup(certificate, key);
    m_port = m_server.listen(QHostAddress::LocalHost, port);
    return m_port;
}

QString DemoServer::endpointUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(m_port).arg(QLatin1String(kPath));
}

QHttpServerResponse DemoServer::respond(const QHttpServerRequest& request)
{
    using Status = QHttpServerResponse::StatusCode;
    if (request.method() == QHttpServerRequest::Method::Post) {
        const SoapEndpoint::Reply reply = m_endpoint.post(request.body(), request.headers());
        if (m_verbose) {
            QTextStream(stderr) << reply.status << ' '
                                << (reply.operation.isEmpty() ? QStringLiteral("-") : reply.operation)
                                << ' ' << reply.body.size() << " bytes\n";
        }
        return QHttpServerResponse(reply.contentType, reply.body, static_cast<Status>(reply.status));
    }
    if (request.method() == QHttpServerRequest::Method::Get) {
        const QUrlQuery query(request.url());
        for (const auto& item : query.queryItems()) {
            if (item.first.compare(QLatin1String("wsdl"), Qt::CaseInsensitive) == 0) {
                return QHttpServerResponse(QByteArrayLiteral("text/xml; charset=utf-8"),
                                           Wsdl::document(m_endpoint.namespaceUri(), endpointUrl()));
            }
        }
        QByteArray page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>WSQuorvel</title>"
                          "</head><body><h1>WSQuorvel (demo)</h1><p>SOAP 1.2 operations:</p><ul>";
        for (const Operations::Operation& op : Operations::all())
            page += QByteArray("<li>") + op.name + "</li>";
        page += "</ul><p><a href=\"?WSDL\">Service description (WSDL)</a></p></body></html>";
        return QHttpServerResponse(QByteArrayLiteral("text/html; charset=utf-8"), page);
    }
    return QHttpServerResponse(Status::MethodNotAllowed);
}
