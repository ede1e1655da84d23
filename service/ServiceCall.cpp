#include "ServiceCall.h"

#include "ResultStager.h"
#include "ResultStream.h"

#include <QRegularExpression>

ServiceCall::ServiceCall(SoapClient& client, StagingFolder staging)
    : m_client(client), m_staging(std::move(staging))
{
}

QString ServiceCall::post(const QString& operation, const SoapChildren& children,
                          SoapClient::Posting posting)
{
    const QString& ns = m_client.config().namespaceUri;
    return m_client.CHIAMA_WS(SoapEnvelope::soapAction(ns, operation),
                              SoapEnvelope::build(ns, operation, children), posting);
}

QByteArray ServiceCall::postUtf8(const QString& operation, const SoapChildren& children)
{
    const QString& ns = m_client.config().namespaceUri;
    return m_client.callUtf8(SoapEnvelope::soapAction(ns, operation),
                             SoapEnvelope::build(ns, operation, children));
}

// The same steps for an answer held as text or as UTF-8 bytes: the staging
// code has an overload for each.
template <typename Answer>
static ServiceCall::Staged stageAnswer(const StagingFolder& staging, const Answer& response,
                                       const QString& operation, const QString& fileName,
                                       bool replaceCommas)
{
    if (!ResultStager::hasResult(response, operation, replaceCommas))
        return ServiceCall::Staged::NotFound;
    if (!staging.writeWith(fileName, [&](QIODevice& file) {
            return ResultStager::writeStaged(response, operation, replaceCommas, file);
        }))
        return ServiceCall::Staged::WriteFailed;
    return ServiceCall::Staged::Found;
}

ServiceCall::Staged ServiceCall::stage(const QString& response, const QString& operation,
                                       const QString& fileName, bool replaceCommas)
{
    return stageAnswer(m_staging, response, operation, fileName, replaceCommas);
}

ServiceCall::Staged ServiceCall::stageUtf8(QByteArrayView response, const QString& operation,
                                           const QString& fileName, bool replaceCommas)
{
    return stageAnswer(m_staging, response, operation, fileName, replaceCommas);
}

QList<ServiceCall::Staged> ServiceCall::postAndStage(const QString& operation,
                                                     const SoapChildren& children,
                                                     const QList<Target>& targets)
{
    QList<Staged> staged(targets.size(), Staged::NotFound);
    ResultStream stream(m_staging, operation);
    for (const Target& target : targets)
        stream.addFile(target.fileName, target.replaceCommas);
    const QString& ns = m_client.config().namespaceUri;
    // A failed call's "Error: " text holds no result.
    if (!m_client.callInto(SoapEnvelope::soapAction(ns, operation),
                           SoapEnvelope::build(ns, operation, children), stream))
        return staged;
    stream.finish();
    for (qsizetype i = 0; i < targets.size(); ++i) {
        if (!stream.found(i))
            break;
        if (!stream.commit(i)) {
            staged[i] = Staged::WriteFailed;
            break;
        }
        staged[i] = Staged::Found;
    }
    return staged;
}

std::optional<QString> ServiceCall::inMemory(const QString& response, const QString& operation,
                                             bool replaceCommas)
{
    return ResultStager::cut(response, operation, replaceCommas);
}

bool ServiceCall::answeredWithoutResult(QStringView response, const QString& operation)
{
    // Searched as text, as results are: a fault under any prefix; the response
    // element, as the result element is, without one.
    static const QRegularExpression fault(QStringLiteral(R"(<(?:[\w.-]+:)?Fault[\s/>])"));
    static const QRegularExpression envelopeEnd(QStringLiteral(R"(</(?:[\w.-]+:)?Envelope\s*>)"));
    if (response.contains(fault))
        return false;
    const QString name = QRegularExpression::escape(operation + QStringLiteral("Response"));
    const QRegularExpression element(
        QStringLiteral(R"(<%1(?:\s[^>]*?)?(?:/>|>[\s\S]*?</%1\s*>))").arg(name));
    QRegularExpressionMatch found;
    if (response.indexOf(element, 0, &found) < 0)
        return false;
    return response.indexOf(envelopeEnd, found.capturedEnd()) >= 0;
}
