#include "HostileClients.h"

#include "DemoServiceProcess.h"
#include "SoapEnvelope.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSslSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <deque>

namespace {

QByteArray postHeaders(qint64 length)
{
    return "POST /WS/WSQuorvel.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(length) + "\r\n\r\n";
}

const QByteArray& loginRequest()
{
    static const QByteArray body =
        SoapEnvelope::build(QStringLiteral("http://tempuri.org/"), QStringLiteral("LoginUser"),
                            {{QStringLiteral("utente"), QStringLiteral("operatore.pa")},
                             {QStringLiteral("password"), QStringLiteral("dpc-demo-pa")}})
            .toUtf8();
    static const QByteArray request = postHeaders(body.size()) + body;
    return request;
}

// Waits until what was written has left, encrypted, for the server.
void sendAll(QSslSocket& socket)
{
    while (socket.bytesToWrite() + socket.encryptedBytesToWrite() > 0 &&
           socket.waitForBytesWritten(5000)) {
    }
}

// Holds a connection until the attack stops, the server ends it, or `ms`
// pass. The socket is watched, not read: Qt's waits would read (and, with a
// full read buffer, spin).
void hold(QSslSocket& socket, const std::atomic<bool>& stop, qint64 ms,
          const std::function<void(qint64)>& tick = {})
{
    QElapsedTimer held;
    held.start();
    const int fd = int(socket.socketDescriptor());
    while (!stop && held.elapsed() < ms) {
        pollfd p{fd, POLLRDHUP, 0};
        if (::poll(&p, 1, 100) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0)
            return;
        if (tick)
            tick(held.elapsed());
    }
}

} // namespace

HostileClients::HostileClients(quint16 port, QList<QSslCertificate> ca)
    : m_port(port), m_ca(std::move(ca))
{
}

HostileClients::~HostileClients()
{
    stop();
}

void HostileClients::run(std::function<void()> body)
{
    m_threads.emplace_back(QThread::create(std::move(body)));
    m_threads.back()->start();
}

void HostileClients::stop()
{
    m_stop = true;
    for (auto& thread : m_threads)
        thread->wait();
    m_threads.clear();
    m_stop = false;
}

void HostileClients::frontLoadedBodies(int connections)
{
    for (int c = 0; c < connections; ++c) {
        run([this] {
            const QByteArray start = postHeaders(1000000) + QByteArray(60000, 'x');
            while (!m_stop) {
                QSslSocket socket;
                if (!DemoServiceProcess::connectTls(socket, m_ca, m_port, 5000)) {
                    QThread::msleep(20);
                    continue;
                }
                ++m_opened;
                socket.write(start);
                sendAll(socket);
                qint64 dripped = 0;
                hold(socket, m_stop, 120000, [&](qint64 ms) {
                    if (ms / 20000 > dripped) {
                        ++dripped;
                        socket.write("x");
                        sendAll(socket);
                    }
                });
                socket.abort();
            }
        });
    }
}

void HostileClients::unreadAnswers(int connections, const QByteArray& request)
{
    for (int c = 0; c < connections; ++c) {
        run([this, request, c] {
            const QByteArray whole = postHeaders(request.size()) + request;
            while (!m_stop) {
                QSslSocket socket;
                socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 2048);
                socket.setReadBufferSize(2048);
                if (!DemoServiceProcess::connectTls(socket, m_ca, m_port, 5000)) {
                    QThread::msleep(20);
                    continue;
                }
                ++m_opened;
                socket.write(whole);
                sendAll(socket);
                // Well past the service's 10 s window: a client cannot tell
                // that the service has let its connection go (the end waits
                // behind the unread answer), and a service that keeps it
                // keeps the place for longer than an honest client waits.
                hold(socket, m_stop, 15000 + 40 * c);
                socket.abort();
            }
        });
    }
}

void HostileClients::emptyConnects(int perSecond)
{
    run([this, perSecond] {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(m_port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::deque<int> open;
        QElapsedTimer clock;
        clock.start();
        qint64 made = 0;
        while (!m_stop) {
            for (const qint64 due = clock.elapsed() * perSecond / 1000; made < due; ++made) {
                const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                if (fd < 0)
                    break;
                ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
                open.push_back(fd);
                ++m_opened;
                if (open.size() > 400) {
                    ::close(open.front());
                    open.pop_front();
                }
            }
            QThread::usleep(2000);
        }
        for (const int fd : open)
            ::close(fd);
    });
}

namespace {

// One log-in, retried on fresh connections (or first on `socket`, when it is
// given and connected) until it is answered or the deadline passes. The
// connection is left in `socket` when `keep` is set.
bool logIn(quint16 port, const QList<QSslCertificate>& ca, std::unique_ptr<QSslSocket>& socket,
           bool keep, QDeadlineTimer deadline, bool* reused)
{
    *reused = bool(socket);
    while (!deadline.hasExpired()) {
        if (!socket) {
            socket = std::make_unique<QSslSocket>();
            if (!DemoServiceProcess::connectTls(*socket, ca, port, int(deadline.remainingTime()))) {
                socket.reset();
                QThread::msleep(50);
                continue;
            }
        }
        socket->write(loginRequest());
        const bool answered = DemoServiceProcess::readUntil(*socket, "</soap:Envelope>",
                                                            int(deadline.remainingTime()))
                                  .contains("<LoginUserResult><ID>17</ID>");
        if (!answered || !keep)
            socket.reset();
        if (answered)
            return true;
        *reused = false;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

HonestLogins HonestLogins::run(quint16 port, const QList<QSslCertificate>& ca, bool keepAlive,
                               int everyMs, int forMs, int limitMs,
                               const std::function<void()>& afterEach)
{
    HonestLogins figures;
    const auto count = [&](bool answered, bool reused, qint64 ms) {
        ++figures.attempts;
        if (!answered)
            return;
        ++figures.answered;
        figures.keptAlive += reused ? 1 : 0;
        figures.ms << ms;
        figures.slowestMs = std::max(figures.slowestMs, ms);
    };
    QElapsedTimer clock;
    clock.start();
    if (keepAlive) {
        // One after another on one connection, as long as it lasts; a log-in
        // whose time comes while the one before still waits is not made.
        std::unique_ptr<QSslSocket> socket;
        for (qint64 next = 0; next < forMs;) {
            while (clock.elapsed() < next)
                QThread::msleep(10);
            QElapsedTimer attempt;
            attempt.start();
            bool reused = false;
            const bool answered =
                logIn(port, ca, socket, true, QDeadlineTimer(limitMs), &reused);
            count(answered, reused, attempt.elapsed());
            if (afterEach)
                afterEach();
            next = (clock.elapsed() / everyMs + 1) * everyMs;
        }
        return figures;
    }
    // Each log-in at its time, whether or not the ones before are answered.
    struct Outcome
    {
        bool answered = false;
        qint64 ms = 0;
    };
    std::vector<Outcome> outcomes(size_t((forMs + everyMs - 1) / everyMs));
    std::vector<std::unique_ptr<QThread>> threads;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        while (clock.elapsed() < qint64(i) * everyMs)
            QThread::msleep(10);
        threads.emplace_back(QThread::create([&, i] {
            QElapsedTimer attempt;
            attempt.start();
            std::unique_ptr<QSslSocket> socket;
            bool reused = false;
            outcomes[i].answered =
                logIn(port, ca, socket, false, QDeadlineTimer(limitMs), &reused);
            outcomes[i].ms = attempt.elapsed();
        }));
        threads.back()->start();
        if (afterEach)
            afterEach();
    }
    for (auto& thread : threads)
        thread->wait();
    for (const Outcome& outcome : outcomes)
        count(outcome.answered, false, outcome.ms);
    return figures;
}

QString HonestLogins::summary() const
{
    QStringList times;
    for (const qint64 t : ms)
        times << QString::number(t);
    return QStringLiteral("%1 of %2 log-ins answered, %3 on a kept connection, slowest %4 ms (%5)")
        .arg(answered)
        .arg(attempts)
        .arg(keptAlive)
        .arg(slowestMs)
        .arg(times.join(QStringLiteral(", ")));
}
