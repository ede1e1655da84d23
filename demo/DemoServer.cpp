#include "DemoServer.h"

#include "ConnectionGuard.h"
#include "DpcService.h"
#include "ReportAnswer.h"
#include "ServiceWorker.h"
#include "SoapMessage.h"
#include "Wsdl.h"

#include <QTextStream>

#include <gnutls/gnutls.h>
#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace Demo {

namespace {

constexpr qsizetype kStreamPiece = 64 * 1024;
// How much of a refused body is read and dropped before the connection is closed.
constexpr qint64 kDrainBytes = 4 * 1024 * 1024;

struct Answer
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    std::shared_ptr<ReportAnswer> stream;
    bool close = false;
    ConnectionGuard::Clock::time_point deadline = ConnectionGuard::Clock::time_point::max();
};

MHD_Result queue(MHD_Connection* connection, const Answer& answer);

// The piece of a streamed answer not yet handed to the server.
struct StreamState
{
    std::shared_ptr<ReportAnswer> answer;
    ConnectionGuard::Clock::time_point deadline;
    QByteArray piece;
    qsizetype offset = 0;
};

ssize_t readStream(void* cls, uint64_t, char* buffer, size_t max)
{
    auto* state = static_cast<StreamState*>(cls);
    if (ConnectionGuard::Clock::now() >= state->deadline) {
        // Past the request's time: the client sees a cut answer, and the
        // report's read transaction ends now rather than with the connection.
        state->answer.reset();
        return MHD_CONTENT_READER_END_WITH_ERROR;
    }
    if (state->offset == state->piece.size()) {
        state->offset = 0;
        if (!state->answer->next(state->piece, kStreamPiece))
            return MHD_CONTENT_READER_END_WITH_ERROR; // the client sees a cut answer, not a whole
                                                      // one
        if (state->piece.isEmpty())
            return MHD_CONTENT_READER_END_OF_STREAM;
    }
    const size_t size = std::min<size_t>(max, size_t(state->piece.size() - state->offset));
    std::memcpy(buffer, state->piece.constData() + state->offset, size);
    state->offset += qsizetype(size);
    return ssize_t(size);
}

void freeStream(void* cls)
{
    delete static_cast<StreamState*>(cls);
}

MHD_Result queue(MHD_Connection* connection, const Answer& answer)
{
    MHD_Response* response =
        answer.stream ? MHD_create_response_from_callback(
                            MHD_SIZE_UNKNOWN, kStreamPiece, readStream,
                            new StreamState{answer.stream, answer.deadline, {}, 0}, freeStream)
                      : MHD_create_response_from_buffer(size_t(answer.body.size()),
                                                        const_cast<char*>(answer.body.constData()),
                                                        MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    if (!answer.contentType.isEmpty())
        MHD_add_response_header(response, "Content-Type", answer.contentType.constData());
    if (answer.close)
        MHD_add_response_header(response, "Connection", "close");
    const MHD_Result result = MHD_queue_response(connection, unsigned(answer.status), response);
    MHD_destroy_response(response);
    return result;
}

// Whether the key is the certificate's, as the TLS library will check it, so
// that a wrong pair is named before the server starts.
bool usableKeyPair(const QByteArray& certificatePem, const QByteArray& keyPem, QString* error)
{
    gnutls_certificate_credentials_t credentials = nullptr;
    if (gnutls_certificate_allocate_credentials(&credentials) < 0) {
        *error = QStringLiteral("cannot set up TLS");
        return false;
    }
    const gnutls_datum_t certificate{
        reinterpret_cast<unsigned char*>(const_cast<char*>(certificatePem.constData())),
        unsigned(certificatePem.size())};
    const gnutls_datum_t key{reinterpret_cast<unsigned char*>(const_cast<char*>(keyPem.constData())),
                             unsigned(keyPem.size())};
    const int status =
        gnutls_certificate_set_x509_key_mem(credentials, &certificate, &key, GNUTLS_X509_FMT_PEM);
    gnutls_certificate_free_credentials(credentials);
    if (status >= 0)
        return true;
    *error = status == GNUTLS_E_CERTIFICATE_KEY_MISMATCH
                 ? QStringLiteral("the key does not match the certificate")
                 : QStringLiteral("the certificate and key cannot be used: %1")
                       .arg(QString::fromUtf8(gnutls_strerror(status)));
    return false;
}

Answer tooLarge(qint64 maxBytes)
{
    return {500, QByteArrayLiteral("application/soap+xml; charset=utf-8"),
            SoapMessage::fault(SoapMessage::tooLarge(maxBytes)), nullptr, true};
}

MHD_Result collectHeader(void* cls, MHD_ValueKind, const char* key, const char* value)
{
    static_cast<SoapEndpoint::Headers*>(cls)->append(
        {QByteArray(key), QByteArray(value ? value : "")});
    return MHD_YES;
}

MHD_Result findWsdl(void* cls, MHD_ValueKind, const char* key, const char*)
{
    if (qstricmp(key, "wsdl") != 0)
        return MHD_YES;
    *static_cast<bool*>(cls) = true;
    return MHD_NO; // found: stop
}

} // namespace

// One request: its body as it arrives.
struct DemoServer::Exchange
{
    ConnectionGuard::Clock::time_point deadline; // of the whole request
    QByteArray body;
    bool refused = false;
    qint64 drained = 0; // bytes of a refused body read and dropped
};

// The library's callbacks, with access to the server.
class DemoServer::Handler
{
public:
    static MHD_Result accept(void* cls, const sockaddr*, socklen_t)
    {
        // All places taken: the least useful connection makes room, so that
        // clients that stall or fall behind cannot keep others out.
        return static_cast<DemoServer*>(cls)->m_guard->admit() ? MHD_YES : MHD_NO;
    }

    // Places are counted here, not on accepting: a connection the library
    // drops before it starts (a failed allocation or TLS set-up) holds none.
    static void connection(void* cls, MHD_Connection* connection, void**,
                           MHD_ConnectionNotificationCode code)
    {
        auto* server = static_cast<DemoServer*>(cls);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            if (info)
                server->m_guard->opened(connection, info->connect_fd);
        } else if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
            server->m_guard->closed(connection);
        }
    }

    static void completed(void* cls, MHD_Connection* connection, void** state,
                          MHD_RequestTerminationCode)
    {
        static_cast<DemoServer*>(cls)->m_guard->completed(connection);
        delete static_cast<Exchange*>(*state);
        *state = nullptr;
    }

    static MHD_Result request(void* cls, MHD_Connection* connection, const char* url,
                              const char* method, const char*, const char* data, size_t* dataSize,
                              void** state)
    {
        auto* server = static_cast<DemoServer*>(cls);
        const ServerSettings& settings = server->m_settings;
        auto* exchange = static_cast<Exchange*>(*state);
        if (!exchange) {
            // The headers are in, the body not yet: refuse here what must not
            // be read. An Expect: 100-continue is answered by the library
            // once this returns without an answer.
            exchange = new Exchange;
            exchange->deadline = server->m_guard->requestDeadline();
            *state = exchange;
            server->m_guard->headersIn(connection);
            if (MHD_get_connection_values(connection, MHD_HEADER_KIND, nullptr, nullptr) >
                settings.maxHeaderFields) {
                return queue(connection, {431, {}, {}, nullptr, true});
            }
            const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                             MHD_HTTP_HEADER_CONTENT_LENGTH);
            if (length) {
                bool ok = false;
                const qulonglong declared = QByteArray(length).trimmed().toULongLong(&ok);
                if (!ok || declared > qulonglong(settings.maxBodyBytes)) {
                    exchange->refused = true;
                    // A client waiting for "100 Continue", or announcing far
                    // more than can be drained, is answered at once and the
                    // connection closed. A body a little over the limit is
                    // drained unread first, so that a client that sends its
                    // body before reading gets the answer instead of a reset.
                    const char* expect = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                                     MHD_HTTP_HEADER_EXPECT);
                    if (!ok || expect || declared > qulonglong(settings.maxBodyBytes + kDrainBytes))
                        return queue(connection, tooLarge(settings.maxBodyBytes));
                }
            }
            return MHD_YES;
        }
        if (*dataSize != 0) {
            const qint64 size = qint64(*dataSize);
            *dataSize = 0;
            server->m_guard->bodyBytes(connection, size);
            if (!exchange->refused && exchange->body.size() + size > settings.maxBodyBytes) {
                // A body without a declared length has passed the limit:
                // what came is dropped and the rest is no longer kept.
                exchange->refused = true;
                exchange->drained = exchange->body.size();
                exchange->body = QByteArray();
            }
            if (exchange->refused) {
                exchange->drained += size;
                // Past the drain allowance the connection is closed.
                return exchange->drained > settings.maxBodyBytes + kDrainBytes ? MHD_NO : MHD_YES;
            }
            exchange->body.append(data, qsizetype(size));
            return MHD_YES;
        }
        server->m_guard->answering(connection);
        if (exchange->refused)
            return queue(connection, tooLarge(settings.maxBodyBytes));
        Answer reply = answer(*server, connection, url, method, *exchange);
        reply.deadline = exchange->deadline;
        return queue(connection, reply);
    }

private:
    static Answer answer(DemoServer& server, MHD_Connection* connection, const char* url,
                         const char* method, const Exchange& exchange)
    {
        if (std::strcmp(url, kPath) != 0)
            return {404, {}, {}, nullptr, false};
        if (std::strcmp(method, MHD_HTTP_METHOD_POST) == 0)
            return post(server, connection, exchange);
        if (std::strcmp(method, MHD_HTTP_METHOD_GET) != 0)
            return {405, {}, {}, nullptr, false};
        bool wsdl = false;
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, findWsdl, &wsdl);
        if (wsdl) {
            return {200, QByteArrayLiteral("text/xml; charset=utf-8"),
                    Wsdl::document(DpcService::operations(), server.m_settings.namespaceUri,
                                   server.endpointUrl()),
                    nullptr, false};
        }
        QByteArray page =
            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>WSQuorvel</title>"
            "</head><body><h1>WSQuorvel (demo)</h1><p>SOAP 1.2 operations:</p><ul>";
        for (const Operations::Operation& op : DpcService::operations())
            page += QByteArray("<li>") + op.name + "</li>";
        page += "</ul><p><a href=\"?WSDL\">Service description (WSDL)</a></p></body></html>";
        return {200, QByteArrayLiteral("text/html; charset=utf-8"), page, nullptr, false};
    }

    static Answer post(DemoServer& server, MHD_Connection* connection, const Exchange& exchange)
    {
        QString error;
        ServiceWorker* worker = server.worker(&error);
        if (!worker) {
            using SoapMessage::Fault;
            return {500, QByteArrayLiteral("application/soap+xml; charset=utf-8"),
                    SoapMessage::fault(
                        Fault(Fault::Code::Receiver, QStringLiteral("Database error: ") + error)),
                    nullptr, false};
        }
        SoapEndpoint::Headers headers;
        MHD_get_connection_values(connection, MHD_HEADER_KIND, collectHeader, &headers);
        const SoapEndpoint::Reply reply = worker->endpoint().post(exchange.body, headers);
        if (server.m_settings.verbose) {
            // One write per line, so that the threads' lines do not mix.
            const QString line =
                QStringLiteral("%1 %2 %3\n")
                    .arg(reply.status)
                    .arg(reply.operation.isEmpty() ? QStringLiteral("-") : reply.operation)
                    .arg(reply.stream ? QStringLiteral("streamed")
                                      : QStringLiteral("%1 bytes").arg(reply.body.size()));
            std::fputs(line.toLocal8Bit().constData(), stderr);
        }
        return {reply.status, reply.contentType, reply.body, reply.stream, false};
    }
};

DemoServer::DemoServer(ServerSettings settings) : m_settings(std::move(settings)) {}

DemoServer::~DemoServer()
{
    // The library closes the listening socket it was given.
    if (m_daemon)
        MHD_stop_daemon(m_daemon);
    m_workers.clear(); // the threads that used them have ended
}

quint16 DemoServer::listen(const QByteArray& certificatePem, const QByteArray& keyPem, quint16 port,
                           QString* error)
{
    // The socket is bound here, so that the port is known even when picked.
    // It is closed once on every path: here until the library has it, by the
    // library afterwards.
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return 0;
    }
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(socket, 128) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(socket);
        return 0;
    }
    if (!usableKeyPair(certificatePem, keyPem, error)) {
        ::close(socket);
        return 0;
    }
    struct stat given = {};
    ::fstat(socket, &given);
    m_port = ntohs(address.sin_port); // known before the first request can ask for it
    ConnectionGuard::Limits limits;
    limits.request = std::chrono::seconds(m_settings.requestTimeoutSeconds);
    limits.idle = std::chrono::seconds(m_settings.idleTimeoutSeconds);
    limits.places = m_settings.maxConnections;
    m_guard = std::make_unique<ConnectionGuard>(limits);
    // The library keeps pointers to the certificate and key.
    m_certificatePem = certificatePem;
    m_keyPem = keyPem;
    unsigned flags = MHD_USE_TLS | MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL;
    if (m_settings.verbose)
        flags |= MHD_USE_ERROR_LOG;
    // The library's own limit is split between the threads; it is set out of
    // the way and the places are kept by the guard.
    const unsigned threads = unsigned(std::max(1, m_settings.threads));
    m_daemon = MHD_start_daemon(
        flags, 0, &Handler::accept, this, &Handler::request, this, MHD_OPTION_LISTEN_SOCKET,
        socket, MHD_OPTION_HTTPS_MEM_CERT, m_certificatePem.constData(), MHD_OPTION_HTTPS_MEM_KEY,
        m_keyPem.constData(), MHD_OPTION_HTTPS_PRIORITIES,
        "NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2", MHD_OPTION_THREAD_POOL_SIZE, threads,
        MHD_OPTION_CONNECTION_TIMEOUT, unsigned(m_settings.idleTimeoutSeconds),
        MHD_OPTION_CONNECTION_LIMIT, unsigned(m_settings.maxConnections) * (threads + 1),
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, size_t(m_settings.connectionMemoryBytes),
        MHD_OPTION_NOTIFY_CONNECTION, &Handler::connection, this, MHD_OPTION_NOTIFY_COMPLETED,
        &Handler::completed, this, MHD_OPTION_END);
    if (!m_daemon) {
        // Depending on where it failed, the library has closed the socket or
        // not: it is closed here only while its number is still this socket.
        struct stat now = {};
        if (::fstat(socket, &now) == 0 && now.st_dev == given.st_dev &&
            now.st_ino == given.st_ino)
            ::close(socket);
        m_guard.reset();
        m_port = 0;
        *error = QStringLiteral("cannot start the HTTPS server");
        return 0;
    }
    return m_port;
}

QString DemoServer::endpointUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1%2").arg(m_port).arg(QLatin1String(kPath));
}

ServiceWorker* DemoServer::worker(QString* error)
{
    const std::lock_guard lock(m_workersMutex);
    std::unique_ptr<ServiceWorker>& worker = m_workers[std::this_thread::get_id()];
    if (!worker) {
        worker = ServiceWorker::open(m_settings,
                                     QStringLiteral("dpc-demo-worker-%1").arg(m_workers.size()),
                                     m_writeLock, error);
    }
    return worker.get();
}

} // namespace Demo
