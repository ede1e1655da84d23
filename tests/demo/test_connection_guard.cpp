// The demo service's connection guard on real loopback TCP connections, with
// its limits shortened: which connection makes room when every place is
// taken, and which ones are cut for falling behind. The server's end of each
// connection is handed to the guard as the library would hand it.
#include "ConnectionGuard.h"

#include <QElapsedTimer>
#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Demo::ConnectionGuard;

namespace {

// One loopback connection: the client's end and the server's.
struct Pair
{
    int client = -1;
    int server = -1;
    ~Pair()
    {
        ::close(client);
        ::close(server);
    }
    // Whether the server's end was shut down: the client reads the end.
    bool cut(int waitMs = 0) const
    {
        pollfd p{client, POLLIN | POLLRDHUP, 0};
        if (::poll(&p, 1, waitMs) <= 0)
            return false;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0)
                return true;
            if (n < 0)
                return errno != EAGAIN && errno != EWOULDBLOCK;
        }
    }
    void send(const char* text) const { QCOMPARE(::send(client, text, strlen(text), 0), ssize_t(strlen(text))); }
};

class Listener
{
public:
    Listener()
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_socket, 64);
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size);
        m_address = address;
    }
    ~Listener() { ::close(m_socket); }

    std::unique_ptr<Pair> connect() const
    {
        auto pair = std::make_unique<Pair>();
        pair->client = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(pair->client, reinterpret_cast<const sockaddr*>(&m_address),
                      sizeof m_address) != 0)
            return nullptr;
        pair->server = ::accept(m_socket, nullptr, nullptr);
        return pair->server >= 0 ? std::move(pair) : nullptr;
    }

private:
    int m_socket = -1;
    sockaddr_in m_address = {};
};

ConnectionGuard::Limits shortLimits(int places)
{
    ConnectionGuard::Limits limits;
    limits.places = places;
    limits.headers = 5s;
    limits.window = 1s;
    limits.minRate = 1000;
    limits.request = 30s;
    limits.idle = 30s;
    limits.keepingUp = 150ms;
    limits.tick = 20ms;
    return limits;
}

// Waits for the kernel to count what a client sent.
void settle()
{
    std::this_thread::sleep_for(20ms);
}

} // namespace

class TestConnectionGuard : public QObject
{
    Q_OBJECT

private slots:
    // A place is taken when the library says a connection started, not when
    // one is accepted: one the library drops before it starts holds none.
    void placesComeFromNotifications()
    {
        ConnectionGuard guard(shortLimits(2));
        for (int i = 0; i < 10; ++i)
            QVERIFY(guard.admit());
        QCOMPARE(guard.holding(), 0);
        Listener listener;
        auto a = listener.connect();
        auto b = listener.connect();
        QVERIFY(a && b);
        guard.opened(a.get(), a->server);
        guard.opened(b.get(), b->server);
        QCOMPARE(guard.holding(), 2);
        guard.closed(a.get());
        QCOMPARE(guard.holding(), 1);
        QVERIFY(guard.admit());
        QVERIFY(!b->cut());
    }

    // With every place waiting for its headers, a new connection displaces the
    // first one opened; the others stay.
    void firstOpenedIsDisplaced()
    {
        ConnectionGuard guard(shortLimits(3));
        Listener listener;
        std::vector<std::unique_ptr<Pair>> pairs;
        for (int i = 0; i < 3; ++i) {
            pairs.push_back(listener.connect());
            QVERIFY(pairs.back());
            pairs.back()->send("POST / HTTP/1.1\r\n");
            guard.opened(pairs.back().get(), pairs.back()->server);
            std::this_thread::sleep_for(30ms);
        }
        std::this_thread::sleep_for(200ms); // all of them now lag
        QVERIFY(guard.admit());
        QVERIFY(pairs[0]->cut(1000));
        QVERIFY(!pairs[1]->cut());
        QVERIFY(!pairs[2]->cut());
    }

    // Connections that keep up are not displaced: the new one is refused.
    void refusedWhenEveryPlaceKeepsUp()
    {
        ConnectionGuard guard(shortLimits(2));
        Listener listener;
        auto a = listener.connect();
        auto b = listener.connect();
        QVERIFY(a && b);
        a->send("x");
        b->send("x");
        guard.opened(a.get(), a->server);
        guard.opened(b.get(), b->server);
        settle();
        QVERIFY(!guard.admit()); // both just started their headers
        QVERIFY(!a->cut() && !b->cut());
    }

    // A connection that has never sent a byte goes first, however young.
    void silentConnectionGoesFirst()
    {
        ConnectionGuard guard(shortLimits(2));
        Listener listener;
        auto talking = listener.connect();
        QVERIFY(talking);
        talking->send("POST / HTTP/1.1\r\n");
        guard.opened(talking.get(), talking->server);
        std::this_thread::sleep_for(300ms); // lags behind its headers
        auto silent = listener.connect();
        QVERIFY(silent);
        guard.opened(silent.get(), silent->server);
        settle();
        QVERIFY(guard.admit());
        QVERIFY(silent->cut(1000));
        QVERIFY(!talking->cut());
    }

    // A kept connection idle between requests makes room before one that
    // works; once its next request has begun, it ranks by that request's
    // start and a connection lagging longer goes first.
    void keptConnectionRanksByItsNextRequest()
    {
        ConnectionGuard guard(shortLimits(2));
        Listener listener;
        auto kept = listener.connect();
        auto lagging = listener.connect();
        QVERIFY(kept && lagging);
        kept->send("POST / HTTP/1.1\r\n\r\n");
        lagging->send("POST / HTTP/1.1\r\n");
        guard.opened(lagging.get(), lagging->server);
        std::this_thread::sleep_for(200ms);
        guard.opened(kept.get(), kept->server);
        guard.headersIn(kept.get());
        guard.answering(kept.get());
        guard.completed(kept.get());
        settle();
        QVERIFY(guard.admit()); // the idle one goes, though the other lags
        QVERIFY(kept->cut(1000));
        QVERIFY(!lagging->cut());

        auto next = listener.connect();
        QVERIFY(next);
        next->send("POST / HTTP/1.1\r\n\r\n");
        guard.opened(next.get(), next->server);
        guard.headersIn(next.get());
        guard.answering(next.get());
        guard.completed(next.get());
        std::this_thread::sleep_for(400ms); // idle for a while, then its next request
        next->send("POST / HTTP/1.1\r\nHost: x\r\n");
        settle();
        QVERIFY(guard.admit());
        QVERIFY(lagging->cut(1000));
        QVERIFY(!next->cut());
    }

    // A body must keep up its rate over the window: bytes sent at the start
    // buy no time later.
    void frontLoadedBodyIsCut()
    {
        ConnectionGuard guard(shortLimits(4));
        Listener listener;
        auto pair = listener.connect();
        QVERIFY(pair);
        guard.opened(pair.get(), pair->server);
        guard.headersIn(pair.get());
        QElapsedTimer timer;
        timer.start();
        guard.bodyBytes(pair.get(), 100000); // 100 s at the minimum rate
        QVERIFY(pair->cut(3000));
        QVERIFY2(timer.elapsed() >= 900 && timer.elapsed() < 2000,
                 qPrintable(QString::number(timer.elapsed())));
    }

    // The second request of a kept connection owes its own progress, from its
    // own start: a body trickled after a large one is cut once its window has
    // passed, not later (by what the first one sent) nor earlier.
    void secondRequestTricklingIsCut()
    {
        ConnectionGuard guard(shortLimits(4));
        Listener listener;
        auto pair = listener.connect();
        QVERIFY(pair);
        guard.opened(pair.get(), pair->server);
        guard.headersIn(pair.get());
        for (int i = 0; i < 10; ++i) {
            guard.bodyBytes(pair.get(), 100000);
            std::this_thread::sleep_for(50ms);
        }
        guard.answering(pair.get());
        guard.completed(pair.get());
        std::this_thread::sleep_for(1500ms); // kept, idle past a window
        guard.headersIn(pair.get());
        QElapsedTimer timer;
        timer.start();
        while (!pair->cut() && timer.elapsed() < 3000) {
            guard.bodyBytes(pair.get(), 20); // 200 bytes a second, under the 1000 owed
            std::this_thread::sleep_for(100ms);
        }
        QVERIFY2(timer.elapsed() >= 900 && timer.elapsed() < 2000,
                 qPrintable(QString::number(timer.elapsed())));
    }

    // A body that keeps up its rate is never cut, whatever its length.
    void steadyBodyIsKept()
    {
        ConnectionGuard guard(shortLimits(4));
        Listener listener;
        auto pair = listener.connect();
        QVERIFY(pair);
        guard.opened(pair.get(), pair->server);
        guard.headersIn(pair.get());
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 2500) {
            guard.bodyBytes(pair.get(), 150); // 1,500 bytes a second
            std::this_thread::sleep_for(100ms);
            QVERIFY(!pair->cut());
        }
    }

    // An answer its client does not read is cut once the window has passed;
    // one the client reads is not, and neither is one the server is slow to
    // produce (nothing waits for the client).
    void unreadAnswerIsCut()
    {
        ConnectionGuard guard(shortLimits(4));
        Listener listener;
        auto unread = listener.connect();
        auto read = listener.connect();
        auto waiting = listener.connect();
        QVERIFY(unread && read && waiting);
        const int small = 4096;
        ::setsockopt(unread->client, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        for (Pair* pair : {unread.get(), read.get(), waiting.get()}) {
            pair->send("POST / HTTP/1.1\r\n\r\n");
            guard.opened(pair, pair->server);
            guard.headersIn(pair);
            guard.answering(pair);
            ::fcntl(pair->server, F_SETFL, ::fcntl(pair->server, F_GETFL) | O_NONBLOCK);
        }
        const QByteArray piece(16384, 'a');
        QElapsedTimer timer;
        timer.start();
        qint64 cutAt = -1;
        char buffer[65536];
        while (timer.elapsed() < 2500) {
            for (Pair* pair : {unread.get(), read.get()})
                while (::send(pair->server, piece.constData(), size_t(piece.size()),
                              MSG_NOSIGNAL) > 0) {
                }
            while (::recv(read->client, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
            }
            if (cutAt < 0 && (::send(unread->server, "a", 1, MSG_NOSIGNAL) < 0 && errno == EPIPE))
                cutAt = timer.elapsed();
            std::this_thread::sleep_for(20ms);
        }
        QVERIFY2(cutAt >= 900 && cutAt < 2000, qPrintable(QString::number(cutAt)));
        QVERIFY(!waiting->cut());
        QVERIFY(::send(read->server, "a", 1, MSG_NOSIGNAL) == 1);
    }
};

QTEST_GUILESS_MAIN(TestConnectionGuard)
#include "test_connection_guard.moc"
