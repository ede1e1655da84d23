#include "SoapClient.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslConfiguration>

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

// Declared lengths up to this are reserved at once; a larger one grows as it comes.
constexpr qint64 MaxReservedBytes = qint64(1) << 30;

// The request being waited for, program-wide; empty between calls.
static QPointer<QNetworkReply> s_inFlight;

SoapClient::SoapClient(ServiceConfig config) : m_config(std::move(config)) {}

bool SoapClient::callInFlight()
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

QString SoapClient::CHIAMA_WS(const QString& soapAction, const QString& envelope)
{
    return QString::fromUtf8(callUtf8(soapAction, envelope));
}

QByteArray SoapClient::callUtf8(const QString& soapAction, const QString& envelope)
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
                                 m_config.extraCaCertificates);
    }
    request.setSslConfiguration(*m_tls);

    // Reached from an action queued during another call's wait: that call's
    // request goes first (a later one may have started meanwhile, so look again).
    while (callInFlight())
        waitFor(s_inFlight);

    QNetworkReply* reply = m_network.post(request, envelope.toUtf8());
    s_inFlight = reply;

    // The body is taken as it arrives, into one buffer sized from the declared
    // length: the reply then never holds the whole answer in pieces besides.
    QByteArray body;
    const auto take = [reply, &body] {
        if (body.isEmpty()) {
            const qint64 declared =
                reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
            if (declared > 0 && declared <= MaxReservedBytes)
                body.reserve(qsizetype(declared));
        }
        body.append(reply->readAll());
    };
    const QMetaObject::Connection taking = QObject::connect(reply, &QIODevice::readyRead, take);
    waitFor(reply);
    QObject::disconnect(taking);
    take();

    // An error status still carries the service's whole answer (a SOAP fault);
    // any other error, even after the status line has arrived (a timeout or a
    // dropped connection mid-body), means the answer is incomplete.
    const bool gotHttpAnswer = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (reply->error() != QNetworkReply::NoError &&
        !(gotHttpAnswer && isHttpStatusError(reply->error()))) {
        body = QStringLiteral("Error: %1 - %2")
                   .arg(static_cast<int>(reply->error()))
                   .arg(reply->errorString())
                   .toUtf8();
    }
    reply->deleteLater();
    return body;
}
