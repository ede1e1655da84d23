#pragma once

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// Clients that stay inside every per-connection limit of the demo service and
// still try to keep honest clients out, each attack on threads of its own
// until stopped; and an honest client that logs in meanwhile. For the load
// tests (short runs) and bench_demo_attacks (long ones).
class HostileClients
{
public:
    HostileClients(quint16 port, QList<QSslCertificate> ca);
    ~HostileClients();
    HostileClients(const HostileClients&) = delete;
    HostileClients& operator=(const HostileClients&) = delete;

    // `connections` clients each declare a 1,000,000-byte body, send 60,000
    // bytes of it at once, then a byte every 20 s; cut, they start again.
    void frontLoadedBodies(int connections);
    // `connections` clients each ask for `request` (a large report) on a
    // connection with a 2 KiB receive buffer and never read the answer; each
    // starts again after 15 s, or when it sees its connection end.
    void unreadAnswers(int connections, const QByteArray& request);
    // Plain TCP connections that send nothing, `perSecond` of them, each
    // left open (the oldest are let go past a few hundred).
    void emptyConnects(int perSecond);
    // Ends every attack and waits for its threads.
    void stop();

    // Connections the attacks have opened so far.
    int opened() const { return m_opened; }

private:
    void run(std::function<void()> body);

    quint16 m_port;
    QList<QSslCertificate> m_ca;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_opened = 0;
    std::vector<std::unique_ptr<QThread>> m_threads;
};

// The honest client: a log-in every `everyMs` for `forMs`, each retried on
// fresh connections until it is answered or `limitMs` have passed, each at
// its time whether or not the ones before are answered. On a kept connection
// (`keepAlive`) the log-ins go one after another on one connection as long
// as it lasts (one whose time comes while the one before waits is not made).
struct HonestLogins
{
    int attempts = 0;
    int answered = 0;   // within the limit
    int keptAlive = 0;  // answered on the connection of the log-in before
    qint64 slowestMs = 0;
    QList<qint64> ms;   // of each answered log-in

    static HonestLogins run(quint16 port, const QList<QSslCertificate>& ca, bool keepAlive,
                            int everyMs, int forMs, int limitMs,
                            const std::function<void()>& afterEach = {});
    QString summary() const;
};
