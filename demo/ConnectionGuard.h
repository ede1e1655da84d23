#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace Demo {

// Time limits on the connections the server holds, so that clients that
// stall, or stay just inside every limit, cannot keep honest ones out.
//
// Every phase of a connection has its required progress:
// - the TLS handshake, request line and headers must arrive within `headers`;
// - a body must keep up `minRate` bytes a second over any `window`, once its
//   first `window` has passed: bytes sent early buy no time later;
// - an answer must be read at the same rate over the same window, counted
//   while the answer waits for the client (bytes the client's end has taken,
//   as its TCP acknowledges them); a client that has read all there is owes
//   nothing;
// - a request must be answered whole within `request`.
// A thread of its own shuts down the socket of a connection past a limit, and
// the library then closes it as it would any connection its client dropped.
//
// Places are counted from the library's notifications (a connection started,
// a connection closed), so that a connection the library drops on its own
// never holds one. When all are taken, a new connection displaces the least
// useful one, in any phase: first one that has never sent a byte (the oldest),
// then a kept connection idle between requests (the longest idle; one whose
// next request has begun is no longer idle, and ranks by that request's
// start), then the one furthest behind its phase's required progress, if it is
// more than `keepingUp` behind. It is refused only when every place keeps up.
class ConnectionGuard
{
public:
    using Clock = std::chrono::steady_clock;
    struct Limits
    {
        std::chrono::milliseconds headers{10000};
        std::chrono::milliseconds window{10000};
        long long minRate = 500; // bytes a second, of a body sent or an answer read
        std::chrono::milliseconds request{120000};
        std::chrono::milliseconds idle{30000};
        // A connection less behind its required progress than this is keeping up.
        std::chrono::milliseconds keepingUp{1000};
        int places = 64;
        // How often the limits are checked.
        std::chrono::milliseconds tick{250};
    };

    explicit ConnectionGuard(const Limits& limits);
    ~ConnectionGuard();
    ConnectionGuard(const ConnectionGuard&) = delete;
    ConnectionGuard& operator=(const ConnectionGuard&) = delete;

    // Whether a connection just accepted may stay: true when a place is free
    // or was made by displacing another connection.
    bool admit();

    // The life of a connection, keyed by the library's connection.
    void opened(const void* connection, int socket);
    void headersIn(const void* connection);
    void bodyBytes(const void* connection, long long bytes);
    void answering(const void* connection);
    void completed(const void* connection);
    void closed(const void* connection);

    // Connections holding a place (started, not closed, not cut).
    int holding();

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

    // Bytes of a body or an answer over the last `window`, in slots of
    // a quarter of a second.
    class Progress
    {
    public:
        static constexpr std::chrono::milliseconds kSlot{250};
        static constexpr int kSlots = 64; // windows up to 16 s

        void restart(Clock::time_point start);
        void add(Clock::time_point now, long long bytes);
        // Bytes within the last `window` (rounded up to whole slots).
        long long within(Clock::time_point now, std::chrono::milliseconds window);

    private:
        void advance(Clock::time_point now);

        Clock::time_point m_start;
        long long m_total = 0;
        long long m_slot = 0;                   // the slot `now` last fell in
        std::array<long long, kSlots> m_atSlot{}; // m_total when each slot began
    };

    struct Entry
    {
        int socket = -1;
        Phase phase = Phase::Waiting;
        Clock::time_point since; // start of the phase
        Clock::time_point requestStart;
        // How far the connection's progress has paid for its phase at the
        // minimum rate; never ahead of now. Behind by `now - pace`.
        Clock::time_point pace;
        Progress progress;
        Clock::time_point caughtUp; // answer: when nothing last waited for the client
        long long acked = 0;        // answer: the client's end had taken this many bytes
        long long received = 0;     // bytes that arrived from the client, at the last look
        long long receivedAtIdle = 0;
        bool cut = false;
    };

    // What the connection's socket says of its traffic.
    struct Traffic
    {
        bool ok = false;
        long long received = 0; // bytes from the client
        long long acked = 0;    // bytes the client's end has acknowledged
        long long waiting = 0;  // bytes not yet taken by the client's end
    };
    static Traffic traffic(int socket);

    // Starts `phase` for the connection, if it is still watched.
    void enter(const void* connection, Phase phase);
    void start(Entry& entry, Phase phase, Clock::time_point now);
    // Brings an idle or answering connection's progress up to date from its socket.
    void look(Entry& entry, Clock::time_point now);
    bool pastLimit(Entry& entry, Clock::time_point now);
    std::chrono::milliseconds behind(const Entry& entry, Clock::time_point now) const;
    Entry* leastUseful(Clock::time_point now);
    static void cut(Entry& entry);
    void watch();

    const Limits m_limits;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::map<const void*, Entry> m_entries;
    std::thread m_thread;
};

} // namespace Demo
