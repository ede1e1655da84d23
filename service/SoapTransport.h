#pragma once

#include "AnswerSink.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

struct ServiceConfig;

// The HTTPS side of SoapClient. It lives in the module libdpc_network.so, so
// that QtNetwork and the libraries it brings (Kerberos, the proxy resolver,
// TLS) load with the first call to the service, not with the first window.
class SoapTransport
{
public:
    virtual ~SoapTransport() = default;

    // SoapClient::callInto; `once`: posted at most once (Posting::Once).
    virtual bool callInto(const QString& soapAction, const QString& envelope, AnswerSink& sink,
                          bool once, QByteArray* failure) = 0;
};

// The module's entry points, looked up by these names.
namespace SoapTransportModule {
constexpr const char* name = "network";
using Make = SoapTransport* (*)(const ServiceConfig* config);
constexpr const char* make = "dpc_make_soap_transport";
using InFlight = bool (*)();
constexpr const char* inFlight = "dpc_soap_call_in_flight";
using ResetFailureWarning = void (*)();
constexpr const char* resetFailureWarning = "dpc_soap_reset_failure_warning";
// The display names of the certificate authorities in `pem`.
using CaNames = void (*)(const QByteArray* pem, QStringList* names);
constexpr const char* caNames = "dpc_certificate_names";
} // namespace SoapTransportModule
