#pragma once

#include "ServerSettings.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <mutex>
#include <thread>

struct MHD_Daemon;
struct MHD_Connection;

namespace Demo {

class ConnectionGuard;
class ServiceWorker;

// HTTPS on the loopback address: POST /WS/WSQuorvel.asmx takes the SOAP
// requests, GET /WS/WSQuorvel.asmx?WSDL gives the service description.
// Requests are answered by a pool of threads, each with its own database
// connection; what a client can make the server hold is bounded (see
// ServerSettings).
class DemoServer
{
public:
    static constexpr const char* kPath = "/WS/WSQuorvel.asmx";

    explicit DemoServer(ServerSettings settings);
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Listens on 127.0.0.1 with the PEM certificate and key; port 0 picks a
    // free one. Returns the port, or 0 and `error`.
    quint16 listen(const QByteArray& certificatePem, const QByteArray& keyPem, quint16 port,
                   QString* error);
    QString endpointUrl() const;

private:
    struct Exchange;
    class Handler;

    ServiceWorker* worker(QString* error);

    ServerSettings m_settings;
    QByteArray m_certificatePem;
    QByteArray m_keyPem;
    std::unique_ptr<ConnectionGuard> m_guard; // outlives the daemon
    MHD_Daemon* m_daemon = nullptr;
    quint16 m_port = 0;
    std::mutex m_workersMutex;
    std::mutex m_writeLock; // shared by the workers' changes
    std::map<std::thread::id, std::unique_ptr<ServiceWorker>> m_workers;
};

} // namespace Demo
