#pragma once

#include "ServiceConfig.h"
#include "SoapTransport.h"

#include <QNetworkAccessManager>
#include <QSslConfiguration>
#include <optional>

// SoapClient's transfers over QtNetwork: the request posted over HTTPS, the
// window-keeping wait, the answer handed to the sink as it arrives, one log
// line a call. Built into the network module only.
class NetworkTransport : public SoapTransport
{
public:
    explicit NetworkTransport(ServiceConfig config);

    bool callInto(const QString& soapAction, const QString& envelope, AnswerSink& sink, bool once,
                  QByteArray* failure) override;

    static bool callInFlight();
    static void resetFailureWarning();

private:
    ServiceConfig m_config;
    QNetworkAccessManager m_network;
    std::optional<QSslConfiguration> m_tls;
};
