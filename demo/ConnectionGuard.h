#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

// Time limits on the connections the server holds, so that clients that
// stall cannot keep honest ones out. A connection must complete its TLS
// handshake, request line and headers within `headers`; a body must then keep
// up a minimum rate once its first `bodyGrace` has passed (each `bodyMinRate`
// bytes buy one more second); a request must be answered whole within
// `request`. A thread of its own shuts down the socket of a connection past
// its limit, and the library then closes it as it would any connection its
// client dropped.
//
// When all places are taken, a new connection displaces the one that has
// waited longest for its headers (or, idle, for its next request).
class ConnectionGuard
{
public:
    using Clock = std::chrono::steady_clock;
    struct Limits
    {
        std::chrono::seconds headers{10};
        std::chrono::seconds bodyGrace{10};
        long long bodyMinRate = 500; // bytes a second
        std::chrono::seconds request{120};
        std::chrono::seconds idle{30};
    };

    explicit ConnectionGuard(const Limits& limits);
    ~ConnectionGuard();
    ConnectionGuard(const ConnectionGuard&) = delete;
    ConnectionGuard& operator=(const ConnectionGuard&) = delete;

    // The life of a connection, keyed by the library's connection.
    void opened(const void* connection, int socket);
    void headersIn(const void* connection);
    void bodyBytes(const void* connection, long long bytes);
    void answering(const void* connection);
    void completed(const void* connection);
    void closed(const void* connection);

    // Cuts the connection that has waited longest before its headers; false
    // when every connection is further on.
    bool displaceOldestWaiting();

    // When a request whose headers arrive now must be answered by.
    Clock::time_point requestDeadline() const { return Clock::now() + m_limits.request; }

private:
    enum class Phase
    {
        Waiting, // TLS handshake, request line and headers
        Body,
        Answering,
        Idle // between two requests of a kept connection
    };
    struct Entry
    {
        int socket = -1;
        Phase phase = Phase::Waiting;
        Clock::time_point since; // start of the phase
        Clock::time_point requestStart;
        long long bodyBytes = 0;
        bool cut = false;
    };

    // Starts `phase` for the connection, if it is still watched.
    void enter(const void* connection, Phase phase);
    Clock::time_point deadline(const Entry& entry) const;
    static void cut(Entry& entry);
    void watch();

    const Limits m_limits;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::map<const void*, Entry> m_entries;
    std::thread m_thread;
};
