#include "ServiceConfig.h"

#include "BuildSettings.h"

ServiceConfig ServiceConfig::builtIn()
{
    ServiceConfig config;
    config.endpoint = QUrl(BuildSettings::endpointUrl());
    config.namespaceUri = BuildSettings::namespaceUri();
    config.extraCaPem = BuildSettings::trustedCaPem();
    config.timeoutMs = BuildSettings::timeoutMs();
    return config;
}

QList<QSslCertificate> ServiceConfig::trustedExtraCas() const
{
    if (extraCaPem.isEmpty())
        return extraCaCertificates;
    return extraCaCertificates + QSslCertificate::fromData(extraCaPem);
}
