#pragma once

#include <QString>

namespace Demo {

// What the HTTPS server answers with and how much a client may make it hold.
struct ServerSettings
{
    QString databaseFile;
    QString namespaceUri;
    bool verbose = false;
    // Worker threads, each with its own database connection.
    int threads = 1;
    // Request bodies above this are refused, before they are read when the
    // client declares their length.
    qint64 maxBodyBytes = 1024 * 1024;
    // A connection that sends nothing for this long, at any stage, is closed.
    int idleTimeoutSeconds = 30;
    // A request must be answered whole within this, a streamed report included.
    int requestTimeoutSeconds = 120;
    // Beyond this, a new connection displaces the least useful one (see
    // ConnectionGuard), or is closed when every place keeps up.
    int maxConnections = 64;
    // Requests with more header fields are refused; their total size is
    // bounded by the per-connection memory below.
    int maxHeaderFields = 100;
    qint64 connectionMemoryBytes = 64 * 1024;
};

} // namespace Demo
