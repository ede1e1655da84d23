#include "ServiceWorker.h"

namespace Demo {

std::unique_ptr<ServiceWorker> ServiceWorker::open(const ServerSettings& settings,
                                                   const QString& connectionName,
                                                   std::mutex& writeLock, QString* error)
{
    std::unique_ptr<ServiceWorker> worker(new ServiceWorker(connectionName));
    if (!worker->m_database.open(settings.databaseFile, error))
        return nullptr;
    worker->m_service = std::make_unique<DpcService>(worker->m_database.connection(), &writeLock);
    if (!worker->m_service->load(error))
        return nullptr;
    worker->m_endpoint = std::make_unique<SoapEndpoint>(
        *worker->m_service, settings.namespaceUri, true, settings.maxBodyBytes);
    return worker;
}

} // namespace Demo
