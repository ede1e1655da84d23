#include "ConnectionGuard.h"

// The kernel's own view of a connection (bytes received and acknowledged);
// the C library's netinet/tcp.h lacks those fields. Kept out of the unity
// build, so that no other file meets both headers.
#include <linux/in.h>
#include <linux/sockios.h>
#include <linux/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>

namespace Demo {

using namespace std::chrono;

void ConnectionGuard::Progress::restart(Clock::time_point start)
{
    m_start = start;
    m_total = 0;
    m_slot = 0;
    m_atSlot.fill(0);
}

void ConnectionGuard::Progress::advance(Clock::time_point now)
{
    const long long slot = std::max<long long>(0, (now - m_start) / kSlot);
    if (slot <= m_slot)
        return;
    for (long long s = std::max(m_slot + 1, slot - kSlots + 1); s <= slot; ++s)
        m_atSlot[size_t(s % kSlots)] = m_total;
    m_slot = slot;
}

void ConnectionGuard::Progress::add(Clock::time_point now, long long bytes)
{
    advance(now);
    m_total += bytes;
}

long long ConnectionGuard::Progress::within(Clock::time_point now, milliseconds window)
{
    advance(now);
    const long long slots =
        std::min<long long>(kSlots - 1, (window.count() + kSlot.count() - 1) / kSlot.count());
    const long long first = m_slot - slots;
    return first < 0 ? m_total : m_total - m_atSlot[size_t(first % kSlots)];
}

ConnectionGuard::ConnectionGuard(const Limits& limits)
    : m_limits(limits), m_thread([this] { watch(); })
{
}

ConnectionGuard::~ConnectionGuard()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

ConnectionGuard::Traffic ConnectionGuard::traffic(int socket)
{
    Traffic t;
    tcp_info info = {};
    socklen_t size = sizeof info;
    if (::getsockopt(socket, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return t;
    int queued = 0;
    if (::ioctl(socket, SIOCOUTQ, &queued) != 0)
        return t;
    t.ok = true;
    t.received = static_cast<long long>(info.tcpi_bytes_received);
    t.acked = static_cast<long long>(info.tcpi_bytes_acked);
    t.waiting = queued;
    return t;
}

void ConnectionGuard::start(Entry& entry, Phase phase, Clock::time_point now)
{
    entry.phase = phase;
    entry.since = entry.pace = entry.caughtUp = now;
    entry.progress.restart(now);
    if (phase != Phase::Answering && phase != Phase::Idle)
        return;
    const Traffic t = traffic(entry.socket);
    if (!t.ok)
        return;
    entry.received = t.received;
    entry.acked = t.acked;
    entry.receivedAtIdle = t.received;
}

bool ConnectionGuard::admit()
{
    const std::lock_guard lock(m_mutex);
    int holding = 0;
    for (const auto& [key, entry] : m_entries)
        holding += entry.cut ? 0 : 1;
    if (holding < m_limits.places)
        return true;
    Entry* const victim = leastUseful(Clock::now());
    if (!victim)
        return false;
    cut(*victim);
    return true;
}

int ConnectionGuard::holding()
{
    const std::lock_guard lock(m_mutex);
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [](const auto& item) { return !item.second.cut; }));
}

void ConnectionGuard::opened(const void* connection, int socket)
{
    const std::lock_guard lock(m_mutex);
    Entry& entry = m_entries[connection];
    entry = Entry{};
    entry.socket = socket;
    start(entry, Phase::Waiting, Clock::now());
}

void ConnectionGuard::headersIn(const void* connection)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(connection);
    if (it == m_entries.end())
        return;
    const Clock::time_point now = Clock::now();
    // A new request: its body owes its own progress, whatever came before.
    start(it->second, Phase::Body, now);
    it->second.requestStart = now;
}

void ConnectionGuard::bodyBytes(const void* connection, long long bytes)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(connection);
    if (it == m_entries.end())
        return;
    Entry& entry = it->second;
    const Clock::time_point now = Clock::now();
    entry.progress.add(now, bytes);
    entry.pace = std::min(now, entry.pace + duration_cast<Clock::duration>(
                                                duration<double>(double(bytes) /
                                                                 double(m_limits.minRate))));
}

void ConnectionGuard::answering(const void* connection)
{
    enter(connection, Phase::Answering);
}

void ConnectionGuard::completed(const void* connection)
{
    enter(connection, Phase::Idle);
}

void ConnectionGuard::enter(const void* connection, Phase phase)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(connection);
    if (it != m_entries.end())
        start(it->second, phase, Clock::now());
}

void ConnectionGuard::closed(const void* connection)
{
    // The library closes the socket only after this returns: while the entry
    // exists under the lock, its socket number is still the connection's.
    const std::lock_guard lock(m_mutex);
    m_entries.erase(connection);
}

void ConnectionGuard::look(Entry& entry, Clock::time_point now)
{
    const Traffic t = traffic(entry.socket);
    if (!t.ok)
        return;
    entry.received = t.received;
    if (entry.phase == Phase::Idle && t.received > entry.receivedAtIdle) {
        // The next request has begun: it ranks, and is timed, from now.
        start(entry, Phase::Waiting, now);
        return;
    }
    if (entry.phase != Phase::Answering)
        return;
    const long long taken = std::max(0LL, t.acked - entry.acked);
    entry.acked = t.acked;
    entry.progress.add(now, taken);
    if (t.waiting == 0) {
        // Nothing waits for the client: the server is the slow one, if any.
        entry.caughtUp = entry.pace = now;
        return;
    }
    entry.pace = std::min(now, entry.pace + duration_cast<Clock::duration>(duration<double>(
                                                double(taken) / double(m_limits.minRate))));
}

bool ConnectionGuard::pastLimit(Entry& entry, Clock::time_point now)
{
    const long long owed = m_limits.minRate * m_limits.window.count() / 1000;
    switch (entry.phase) {
    case Phase::Waiting:
        return now - entry.since >= m_limits.headers;
    case Phase::Body:
        return now >= entry.requestStart + m_limits.request ||
               (now - entry.since >= m_limits.window &&
                entry.progress.within(now, m_limits.window) < owed);
    case Phase::Answering:
        return now >= entry.requestStart + m_limits.request ||
               (now - entry.since >= m_limits.window && now - entry.caughtUp >= m_limits.window &&
                entry.progress.within(now, m_limits.window) < owed);
    case Phase::Idle:
        // The library's idle limit closes a silent connection first.
        return now - entry.since >= m_limits.idle + m_limits.headers;
    }
    return false;
}

milliseconds ConnectionGuard::behind(const Entry& entry, Clock::time_point now) const
{
    switch (entry.phase) {
    case Phase::Waiting:
        // Honest clients send their headers at once.
        return duration_cast<milliseconds>(now - entry.since);
    case Phase::Body:
    case Phase::Answering:
        return duration_cast<milliseconds>(now - entry.pace);
    case Phase::Idle:
        break;
    }
    return milliseconds(0);
}

ConnectionGuard::Entry* ConnectionGuard::leastUseful(Clock::time_point now)
{
    Entry* silent = nullptr; // has never sent a byte
    Entry* idle = nullptr;   // kept, between requests
    Entry* lagging = nullptr;
    milliseconds mostBehind(0);
    for (auto& [key, entry] : m_entries) {
        if (entry.cut)
            continue;
        if (entry.received == 0 || entry.phase == Phase::Idle || entry.phase == Phase::Answering)
            look(entry, now);
        if (entry.received == 0) {
            if (!silent || entry.since < silent->since)
                silent = &entry;
        } else if (entry.phase == Phase::Idle) {
            if (!idle || entry.since < idle->since)
                idle = &entry;
        } else if (const milliseconds b = behind(entry, now); b > m_limits.keepingUp) {
            if (!lagging || b > mostBehind || (b == mostBehind && entry.since < lagging->since)) {
                lagging = &entry;
                mostBehind = b;
            }
        }
    }
    return silent ? silent : idle ? idle : lagging;
}

void ConnectionGuard::cut(Entry& entry)
{
    // Not closed here: the library owns the socket and closes it once it
    // sees the connection end.
    ::shutdown(entry.socket, SHUT_RDWR);
    entry.cut = true;
}

void ConnectionGuard::watch()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        const Clock::time_point now = Clock::now();
        for (auto& [key, entry] : m_entries) {
            if (entry.cut)
                continue;
            if (entry.phase == Phase::Idle || entry.phase == Phase::Answering)
                look(entry, now);
            if (pastLimit(entry, now))
                cut(entry);
        }
        m_wake.wait_for(lock, m_limits.tick);
    }
}

} // namespace Demo
