#pragma once

#include <QByteArray>
#include <QString>

// Values fixed when the program is configured (see cmake/ServiceSettings.cmake).
namespace BuildSettings {
QString endpointUrl();
QString namespaceUri();
QByteArray trustedCaPem();
int timeoutMs();
int versionMajor();
int versionMinor();
int versionPatch();
} // namespace BuildSettings
