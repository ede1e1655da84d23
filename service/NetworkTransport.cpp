#include "NetworkTransport.h"

#include "LogCategories.h"
#include "MarkerSearch.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QStringList>
#include <QVariant>

#include <cstring>

// The errors Qt derives from an HTTP error status once the whole body has arrived.
static bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    return (error >= QNetworkReply::ContentAccessDenied &&
            error <= QNetworkReply::UnknownContentError) ||
           (error >= QNetworkReply::InternalServerError &&
            error <= QNetworkReply::UnknownServerError) ||
           error == QNetworkReply::ProtocolInvalidOperationError ||
           error == QNetworkReply::ProxyAuthenticationRequiredError;
}

// How much of an answer the reply holds before the sink takes it.
constexpr qint64 ReadBufferBytes = 1024 * 1024;

// The most the sink is handed at once.
constexpr qsizetype PieceBytes = 256 * 1024;

// The request being waited for, program-wide; empty between calls.
static QPointer<QNetworkReply> s_inFlight;
// Whether a transport failure has been reported as a warning in this run.
static bool s_failureWarned = false;

namespace {

// What a call's log line says about it. Only sizes, the status, the time and
// Qt's own error texts: nothing of the request or the answer.
struct CallFacts
{
    QString operation;
    qint64 sent = 0;
    qint64 received = 0;
    QVariant status;
    qint64 ms = 0;
    QString outcome;
    bool transportFailure = false;
};

void logCall(const CallFacts& call)
{
    if (!dpcService().isInfoEnabled() && !call.transportFailure)
        return;
    const QString line =
        QStringLiteral("%1 %2 sent=%3 received=%4 status=%5 ms=%6 outcome=%7")
            .arg(logTime(), call.operation)
            .arg(call.sent)
            .arg(call.received)
            .arg(call.status.isValid() ? call.status.toString() : QStringLiteral("-"))
            .arg(call.ms)
            .arg(call.outcome);
    qCInfo(dpcService).noquote() << line;
    // The first failure of the connection itself also goes to stderr (and so to
    // the journal) as a warning, whether or not the log is on: once per run.
    if (call.transportFailure && !s_failureWarned) {
        s_failureWarned = true;
        qCWarning(dpcService).noquote() << line;
    }
}

// A request body that cannot be rewound: the network stack then has no way
// to post it a second time, and reports the closed connection instead.
class OneShotBody : public QIODevice
{
public:
    explicit OneShotBody(QByteArray bytes) : m_bytes(std::move(bytes)) { open(ReadOnly); }

    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override
    {
        return m_bytes.size() - m_read + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = std::min(maxSize, qint64(m_bytes.size()) - m_read);
        std::memcpy(data, m_bytes.constData() + m_read, size_t(n));
        m_read += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_read = 0;
};

} // namespace

NetworkTransport::NetworkTransport(ServiceConfig config) : m_config(std::move(config)) {}

void NetworkTransport::resetFailureWarning()
{
    s_failureWarned = false;
}

bool NetworkTransport::callInFlight()
{
    return s_inFlight && !s_inFlight->isFinished();
}

// Runs the window-keeping wait until `reply` has finished.
static void waitFor(QNetworkReply* reply)
{
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
}

bool NetworkTransport::callInto(const QString& soapAction, const QString& envelope,
                                AnswerSink& sink, bool once, QByteArray* failure)
{
    QNetworkRequest request(m_config.endpoint);
    request.setRawHeader("Content-Type", "text/xml; charset=utf-8");
    request.setRawHeader("SOAPAction", soapAction.toUtf8());
    request.setTransferTimeout(m_config.timeoutMs);

    // Reading the system's certificate store is slow: do it once, at the first
    // call. The same configuration also lets later calls reuse the connection.
    if (!m_tls) {
        m_tls = QSslConfiguration::defaultConfiguration();
        m_tls->setPeerVerifyMode(QSslSocket::VerifyPeer);
        m_tls->setCaCertificates(QSslConfiguration::systemCaCertificates() +
                                 QSslCertificate::fromData(m_config.extraCaPem));
    }
    request.setSslConfiguration(*m_tls);

    // Reached from an action queued during another call's wait: that call's
    // request goes first (a later one may have started meanwhile, so look again).
    while (callInFlight())
        waitFor(s_inFlight);

    const QByteArray sent = envelope.toUtf8();
    QElapsedTimer timer;
    timer.start();
    QNetworkReply* reply = nullptr;
    if (once) {
        // Unbuffered, so the body cannot be replayed from a copy either.
        request.setHeader(QNetworkRequest::ContentLengthHeader, sent.size());
        request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
        auto* body = new OneShotBody(sent);
        reply = m_network.post(request, body);
        body->setParent(reply);
    } else {
        reply = m_network.post(request, sent);
    }
    s_inFlight = reply;
    // The network thread reads no further ahead than this: a large answer then
    // reaches the sink in pieces while the rest is on its way, and the reply
    // never holds it whole.
    reply->setReadBufferSize(ReadBufferBytes);
    QStringList tlsErrors;
    QObject::connect(reply, &QNetworkReply::sslErrors,
                     [&tlsErrors](const QList<QSslError>& errors) {
                         for (const QSslError& error : errors)
                             tlsErrors << error.errorString();
                     });

    CallFacts call;
    call.operation = soapAction.startsWith(m_config.namespaceUri)
                         ? soapAction.mid(m_config.namespaceUri.size())
                         : soapAction;
    // What the log line says of the answer is found as it passes: whether it
    // holds the result, else whether it is a SOAP fault.
    MarkerSearch result('<' + call.operation.toUtf8() + "Result");
    MarkerSearch prefixedFault(":Fault>");
    MarkerSearch plainFault("<Fault>");

    // The body goes to the sink as it arrives, through one buffer.
    QByteArray buffer(PieceBytes, Qt::Uninitialized);
    bool started = false;
    const auto take = [&] {
        if (!started) {
            started = true;
            sink.expect(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
        }
        // An aborted reply (a timeout) is closed and has nothing more to give.
        if (!reply->isOpen())
            return;
        while (reply->bytesAvailable() > 0) {
            const qint64 read = reply->read(buffer.data(), buffer.size());
            if (read <= 0)
                break;
            const QByteArrayView piece(buffer.constData(), qsizetype(read));
            call.received += piece.size();
            if (!result.feed(piece)) {
                prefixedFault.feed(piece);
                plainFault.feed(piece);
            }
            sink.take(piece);
        }
    };
    const QMetaObject::Connection taking = QObject::connect(reply, &QIODevice::readyRead, take);
    waitFor(reply);
    QObject::disconnect(taking);
    take();

    // An error status still carries the service's whole answer (a SOAP fault);
    // any other error, even after the status line has arrived (a timeout or a
    // dropped connection mid-body), means the answer is incomplete.
    call.sent = sent.size();
    call.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    call.ms = timer.elapsed();
    const QNetworkReply::NetworkError error = reply->error();
    const bool whole =
        error == QNetworkReply::NoError || (call.status.isValid() && isHttpStatusError(error));
    if (!whole) {
        call.transportFailure = true;
        // A transfer timeout aborts the reply; nothing else here cancels one.
        if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
            call.outcome = QStringLiteral("timeout");
        else if (error == QNetworkReply::SslHandshakeFailedError || !tlsErrors.isEmpty())
            call.outcome = QStringLiteral("tls-error (%1)")
                               .arg(tlsErrors.isEmpty() ? reply->errorString()
                                                        : tlsErrors.join(QStringLiteral("; ")));
        else
            call.outcome = QStringLiteral("network-error (%1)").arg(reply->errorString());
        if (failure)
            *failure = QStringLiteral("Error: %1 - %2")
                           .arg(static_cast<int>(error))
                           .arg(reply->errorString())
                           .toUtf8();
    } else if (result.found()) {
        call.outcome = QStringLiteral("answer");
    } else if (prefixedFault.found() || plainFault.found()) {
        call.outcome = QStringLiteral("soap-fault");
    } else {
        call.outcome = QStringLiteral("no-result");
    }
    reply->deleteLater();
    logCall(call);
    return whole;
}

// The module's entry points (SoapTransportModule).
extern "C" {

Q_DECL_EXPORT SoapTransport* dpc_make_soap_transport(const ServiceConfig* config)
{
    return new NetworkTransport(*config);
}

Q_DECL_EXPORT bool dpc_soap_call_in_flight()
{
    return NetworkTransport::callInFlight();
}

Q_DECL_EXPORT void dpc_soap_reset_failure_warning()
{
    NetworkTransport::resetFailureWarning();
}

Q_DECL_EXPORT void dpc_certificate_names(const QByteArray* pem, QStringList* names)
{
    for (const QSslCertificate& certificate : QSslCertificate::fromData(*pem))
        *names << certificate.subjectDisplayName();
}

} // extern "C"
