#include "ConnectionGuard.h"

#include <sys/socket.h>

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

void ConnectionGuard::opened(const void* connection, int socket)
{
    const std::lock_guard lock(m_mutex);
    Entry& entry = m_entries[connection];
    entry = Entry{};
    entry.socket = socket;
    entry.since = Clock::now();
}

void ConnectionGuard::headersIn(const void* connection)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(connection);
    if (it == m_entries.end())
        return;
    it->second.phase = Phase::Body;
    it->second.since = it->second.requestStart = Clock::now();
    it->second.bodyBytes = 0;
}

void ConnectionGuard::bodyBytes(const void* connection, long long bytes)
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_entries.find(connection);
    if (it != m_entries.end())
        it->second.bodyBytes += bytes;
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
    if (it == m_entries.end())
        return;
    it->second.phase = phase;
    it->second.since = Clock::now();
}

void ConnectionGuard::closed(const void* connection)
{
    // The library closes the socket only after this returns: while the entry
    // exists under the lock, its socket number is still the connection's.
    const std::lock_guard lock(m_mutex);
    m_entries.erase(connection);
}

bool ConnectionGuard::displaceOldestWaiting()
{
    const std::lock_guard lock(m_mutex);
    Entry* oldest = nullptr;
    for (auto& [key, entry] : m_entries) {
        if (entry.cut || (entry.phase != Phase::Waiting && entry.phase != Phase::Idle))
            continue;
        if (!oldest || entry.since < oldest->since)
            oldest = &entry;
    }
    if (!oldest)
        return false;
    cut(*oldest);
    return true;
}

ConnectionGuard::Clock::time_point ConnectionGuard::deadline(const Entry& entry) const
{
    switch (entry.phase) {
    case Phase::Waiting:
        return entry.since + m_limits.headers;
    case Phase::Body: {
        const auto earned = std::chrono::seconds(entry.bodyBytes / m_limits.bodyMinRate);
        return std::min(entry.since + m_limits.bodyGrace + earned,
                        entry.requestStart + m_limits.request);
    }
    case Phase::Answering:
        return entry.requestStart + m_limits.request;
    case Phase::Idle:
        // The library's idle limit closes a silent connection; one that sends
        // its next request slowly is cut here.
        return entry.since + m_limits.idle + m_limits.headers;
    }
    return entry.since;
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
            if (!entry.cut && now >= deadline(entry))
                cut(entry);
        }
        m_wake.wait_for(lock, std::chrono::milliseconds(250));
    }
}
