#include "ServiceCall.h"

#include "ResultStager.h"

ServiceCall::ServiceCall(SoapClient& client, StagingFolder staging)
    : m_client(client), m_staging(std::move(staging))
{
}

QString ServiceCall::post(const QString& operation, const SoapChildren& children)
{
    const QString& ns = m_client.config().namespaceUri;
    return m_client.CHIAMA_WS(SoapEnvelope::soapAction(ns, operation),
                              SoapEnvelope::build(ns, operation, children));
}

QByteArray ServiceCall::postUtf8(const QString& operation, const SoapChildren& children)
{
    const QString& ns = m_client.config().namespaceUri;
    return m_client.callUtf8(SoapEnvelope::soapAction(ns, operation),
                             SoapEnvelope::build(ns, operation, children));
}

ServiceCall::Staged ServiceCall::stage(const QString& response, const QString& operation,
                                       const QString& fileName, bool replaceCommas)
{
    if (!ResultStager::hasResult(response, operation, replaceCommas))
        return Staged::NotFound;
    if (!m_staging.writeWith(fileName, [&](QIODevice& file) {
            return ResultStager::writeStaged(response, operation, replaceCommas, file);
        }))
        return Staged::WriteFailed;
    return Staged::Found;
}

ServiceCall::Staged ServiceCall::stageUtf8(QByteArrayView response, const QString& operation,
                                           const QString& fileName, bool replaceCommas)
{
    if (!ResultStager::hasResult(response, operation, replaceCommas))
        return Staged::NotFound;
    if (!m_staging.writeWith(fileName, [&](QIODevice& file) {
            return ResultStager::writeStaged(response, operation, replaceCommas, file);
        }))
        return Staged::WriteFailed;
    return Staged::Found;
}

std::optional<QString> ServiceCall::inMemory(const QString& response, const QString& operation,
                                             bool replaceCommas)
{
    return ResultStager::cut(response, operation, replaceCommas);
}
