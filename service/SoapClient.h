#pragma once

#include "ServiceConfig.h"

#include <QNetworkAccessManager>
#include <QSslConfiguration>
#include <QString>
#include <optional>

// Posts one SOAP request and waits for its answer. The wait keeps the windows
// painted but takes no user input, and always ends: every failure (connection,
// TLS, timeout) comes back as a text starting with "Error: ", never as an
// exception, so callers take their own not-found path.
class SoapClient
{
public:
    explicit SoapClient(ServiceConfig config);

    const ServiceConfig& config() const { return m_config; }

    // CHIAMA_WS: the response body as text, whatever the HTTP status.
    QString CHIAMA_WS(const QString& soapAction, const QString& envelope);

private:
    ServiceConfig m_config;
    QNetworkAccessManager m_network;
    std::optional<QSslConfiguration> m_tls;
};
