#pragma once

#include "AnswerSink.h"
#include "ServiceConfig.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class SoapTransport;

// Posts one SOAP request and waits for its answer. The wait keeps the windows
// painted but takes no user input, and always ends: every failure (connection,
// TLS, timeout) comes back as a text starting with "Error: ", never as an
// exception, so callers take their own not-found path.
//
// At most one request is in flight in the whole program. The wait still runs
// queued actions (posted calls, timers); one of them that calls the service
// while a request is out waits, in the same input-free way, until that
// request's answer (or failure) is in, and only then sends its own. Both
// callers get their own answers; nothing is dropped. (The windows queue their
// actions so that they wait for the call to end before they start at all.)
//
// The transfer itself is done by the network module (SoapTransport), loaded
// with the first call; a module that cannot be loaded fails the call.
class SoapClient
{
public:
    explicit SoapClient(ServiceConfig config);
    ~SoapClient();

    const ServiceConfig& config() const { return m_config; }

    enum class Posting
    {
        // The network stack may post the request again by itself when the
        // connection closes before any answer (a stale kept-alive connection).
        MayRepeat,
        // Posted at most once, for operations that change the service's data:
        // a connection closed before the answer is a failure, as the service
        // may have acted on the request already.
        Once
    };

    // CHIAMA_WS: the response body as text, whatever the HTTP status.
    QString CHIAMA_WS(const QString& soapAction, const QString& envelope,
                      Posting posting = Posting::MayRepeat);
    // The same answer (or "Error: " text) in UTF-8, as the service sent it: for
    // large answers that are staged without ever becoming text.
    QByteArray callUtf8(const QString& soapAction, const QString& envelope,
                        Posting posting = Posting::MayRepeat);
    // The same call with the body handed to `sink` piece by piece as it
    // arrives, never gathered. True when the whole body has arrived, whatever
    // the HTTP status; false on a failure of the transfer itself (connection,
    // TLS, timeout), the pieces taken so far then being no whole answer;
    // `failure` then gets the "Error: " text callUtf8 would return.
    bool callInto(const QString& soapAction, const QString& envelope, AnswerSink& sink,
                  Posting posting = Posting::MayRepeat, QByteArray* failure = nullptr);

    // True while a request of any client is waiting for its answer.
    static bool callInFlight();

    // Each call writes one line to the dpc.service category; the first call of
    // the run that fails to reach the service also warns. This makes the next
    // such failure warn again.
    static void resetFailureWarning();

    // The names of the certificate authorities `config` trusts besides the
    // system's; empty when there are none or the network module is missing.
    static QStringList trustedCaNames(const ServiceConfig& config);

private:
    ServiceConfig m_config;
    std::unique_ptr<SoapTransport> m_transport; // made at the first call
};
