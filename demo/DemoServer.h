#pragma once

#include "SoapEndpoint.h"

#include <QHttpServer>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// HTTPS on the loopback address: POST /WS/WSQuorvel.asmx takes the SOAP
// requests, GET /WS/WSQuorvel.asmx?WSDL gives the service description.
class DemoServer
{
public:
    static constexpr const char* kPath = "/WS/WSQuorvel.asmx";

    DemoServer(SoapEndpoint& endpoint, bool verbose);

    // Listens on 127.0.0.1; port 0 picks a free one. Returns the port, or 0.
    quint16 listen(const QSslCertificate& certificate, const QSslKey& key, quint16 port);
    QString endpointUrl() const;

private:
    QHttpServerResponse respond(const QHttpServerRequest& request);

    SoapEndpoint& m_endpoint;
    bool m_verbose;
    QHttpServer m_server;
    quint16 m_port = 0;
};
