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
