#pragma once

#include "DemoDatabase.h"
#include "DpcService.h"
#include "ServerSettings.h"
#include "SoapEndpoint.h"

#include <memory>
#include <mutex>

namespace Demo {

// What one server thread answers with: its own connection to the database,
// the service on it and the SOAP endpoint in front.
class ServiceWorker
{
public:
    // Opens the connection (named `connectionName`); nullptr and `error` on failure.
    // Changes of all workers take turns through `writeLock`.
    static std::unique_ptr<ServiceWorker> open(const ServerSettings& settings,
                                               const QString& connectionName, std::mutex& writeLock,
                                               QString* error);

    SoapEndpoint& endpoint() { return *m_endpoint; }

private:
    explicit ServiceWorker(const QString& connectionName) : m_database(connectionName) {}

    // Declared first so that it is closed last.
    DemoDatabase m_database;
    std::unique_ptr<DpcService> m_service;
    std::unique_ptr<SoapEndpoint> m_endpoint;
};

} // namespace Demo
