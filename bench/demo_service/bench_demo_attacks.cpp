// The demo service under the attacks of clients that stay inside every
// per-connection limit, each for a minute (tests/demo/test_demo_hostile runs
// them for 10 s): 64 front-loaded dripping bodies, 64 unread whole-year
// reports, 100 empty connects a second against a client on one kept
// connection, 1,500 a second against fresh log-ins; an honest log-in every
// 4 s meanwhile. Then one unread report while 8 clients register for 30 s,
// and 15 s after the reader leaves. Prints the figures and whether the aims
// are met; with --baseline EXE the same for another build of the service.
#include "BenchSetup.h"
#include "DemoServiceProcess.h"
#include "HostileClients.h"
#include "SoapEnvelope.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

constexpr int kLimitMs = 12000;
constexpr double kAimAnswered = 0.9;
constexpr double kAimWalMiB = 128;
constexpr double kAimWalAfterMiB = 64;
constexpr double kAimMemoryMiB = 300;

const QString kNs = QStringLiteral("http://tempuri.org/");

const char* verdict(bool met)
{
    return met ? "met" : "NOT met";
}

QByteArray post(const QString& op, const SoapChildren& children)
{
    const QByteArray body = SoapEnvelope::build(kNs, op, children).toUtf8();
    return "POST /WS/WSQuorvel.asmx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const SoapChildren kWholeYear{
    {"prov", "PA"}, {"flusso", "2"}, {"anno", "2025"}, {"mese", "0"}, {"farmacia", "0"}};

// A service on a copy of the database, with this tree's certificate.
struct Service
{
    Service(const QString& exe, const QString& seeded, const QString& folder)
    {
        static int copies = 0;
        database = folder + QStringLiteral("/attack-%1.sqlite").arg(++copies);
        QFile::remove(database);
        QFile::copy(seeded, database);
        started = process.start(database,
                                {QStringLiteral("--cert"),
                                 QStringLiteral(DPC_TEST_CERT_DIR "/server.pem"),
                                 QStringLiteral("--key"),
                                 QStringLiteral(DPC_TEST_CERT_DIR "/server.key")},
                                exe);
    }
    ~Service()
    {
        process.stop();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(database + QLatin1String(suffix));
    }
    double walMiB() const
    {
        return double(QFileInfo(database + QStringLiteral("-wal")).size()) / (1024 * 1024);
    }

    DemoServiceProcess process;
    QString database;
    bool started = false;
};

bool printLogins(const char* what, const HonestLogins& logins, bool keptAlive)
{
    const bool answered = logins.attempts > 0 && logins.answered >= kAimAnswered * logins.attempts;
    const bool kept = !keptAlive || logins.keptAlive >= logins.answered - 1;
    std::printf("  %s: %d of %d log-ins answered within %d s, slowest %lld ms%s"
                " (aim: at least 9 in 10%s): %s\n",
                what, logins.answered, logins.attempts, kLimitMs / 1000,
                qlonglong(logins.slowestMs),
                keptAlive ? qPrintable(QStringLiteral(", %1 on the kept connection")
                                           .arg(logins.keptAlive))
                          : "",
                keptAlive ? ", on the kept connection" : "", verdict(answered && kept));
    std::fflush(stdout);
    return answered && kept;
}

void measure(const char* name, const QString& exe, const QString& seeded, const QString& folder,
             int seconds)
{
    std::printf("\n%s\n", name);
    std::fflush(stdout);
    const QList<QSslCertificate> ca = DemoServiceProcess::caCertificates();
    const int forMs = seconds * 1000;
    const auto attack = [&](const char* what, bool keepAlive,
                            const std::function<void(HostileClients&, Service&)>& start) {
        Service service(exe, seeded, folder);
        if (!service.started) {
            std::printf("  %s: the service did not start\n", what);
            return;
        }
        const double before = DemoServiceProcess::residentKiB(service.process.processId()) / 1024.0;
        double most = before;
        HostileClients clients(service.process.port(), ca);
        start(clients, service);
        QThread::msleep(2000);
        const HonestLogins logins =
            HonestLogins::run(service.process.port(), ca, keepAlive, 4000, forMs, kLimitMs, [&] {
                most = std::max(most, DemoServiceProcess::residentKiB(service.process.processId()) /
                                          1024.0);
            });
        printLogins(what, logins, keepAlive);
        if (std::strcmp(what, "64 unread whole-year reports") == 0)
            std::printf("    memory they add: %.0f MiB at most (aim < %.0f MiB): %s\n",
                        most - before, kAimMemoryMiB, verdict(most - before < kAimMemoryMiB));
        std::fflush(stdout);
    };
    attack("64 front-loaded dripping bodies", false,
           [](HostileClients& c, Service&) { c.frontLoadedBodies(64); });
    attack("64 unread whole-year reports", false, [](HostileClients& c, Service&) {
        const QByteArray body = SoapEnvelope::build(kNs, "F_LoadErroreByAnnoMese", kWholeYear).toUtf8();
        c.unreadAnswers(64, body);
    });
    attack("100 empty connects a second, a kept connection", true,
           [](HostileClients& c, Service&) { c.emptyConnects(100); });
    attack("1,500 empty connects a second, fresh log-ins", false,
           [](HostileClients& c, Service&) { c.emptyConnects(1500); });

    // One unread report while 8 clients register; then the reader leaves.
    Service service(exe, seeded, folder);
    if (!service.started)
        return;
    const quint16 port = service.process.port();
    auto reader = std::make_unique<QSslSocket>();
    reader->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 2048);
    reader->setReadBufferSize(2048);
    if (!DemoServiceProcess::connectTls(*reader, ca, port))
        return;
    reader->write(post("F_LoadErroreByAnnoMese", kWholeYear));
    reader->waitForBytesWritten(5000);
    std::atomic<bool> stop = false;
    std::atomic<int> registered = 0;
    std::vector<std::unique_ptr<QThread>> clients;
    for (int c = 0; c < 8; ++c) {
        clients.emplace_back(QThread::create([&] {
            const QByteArray one = post("ErroreDPC", {{"prov", "PA"},
                                                      {"anno", "2024"},
                                                      {"mese", "9"},
                                                      {"codfarma", "1234"},
                                                      {"numrickey", "123450000043211"},
                                                      {"aic", "035946023"},
                                                      {"pezzi", "2"},
                                                      {"errore", "12"}});
            QSslSocket socket;
            if (!DemoServiceProcess::connectTls(socket, ca, port))
                return;
            while (!stop) {
                socket.write(one);
                if (!DemoServiceProcess::readUntil(socket, "</soap:Envelope>")
                         .contains("<ErroreDPCResult>"))
                    return;
                ++registered;
            }
        }));
        clients.back()->start();
    }
    QElapsedTimer timer;
    timer.start();
    double most = 0;
    while (timer.elapsed() < 30000) {
        QThread::msleep(250);
        most = std::max(most, service.walMiB());
    }
    const int during = registered;
    reader.reset(); // the reader leaves
    timer.start();
    double after = service.walMiB();
    while (timer.elapsed() < 15000) {
        QThread::msleep(250);
        after = service.walMiB();
    }
    stop = true;
    for (auto& client : clients)
        client->wait();
    std::printf("  one unread report, 8 clients registering for 30 s: %d registrations (%.0f a "
                "second), the WAL up to %.1f MiB (aim < %.0f MiB): %s\n",
                during, during / 30.0, most, kAimWalMiB, verdict(most < kAimWalMiB));
    std::printf("    15 s after the reader left, still registering: WAL %.1f MiB (aim < %.0f "
                "MiB): %s\n",
                after, kAimWalAfterMiB, verdict(after < kAimWalAfterMiB));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // DPC_ATTACK_SECONDS shortens the runs (to try the benchmark out).
    const int forSeconds = qEnvironmentVariableIsSet("DPC_ATTACK_SECONDS")
                               ? std::max(1, qEnvironmentVariableIntValue("DPC_ATTACK_SECONDS"))
                               : 60;
    QTemporaryDir folder;
    BenchSetup setup;
    if (!setup.prepare(app, folder))
        return 1;
    std::printf("Demo service under attack, %d cores, database at scale 100, %d s each, an "
                "honest log-in every 4 s\n",
                QThread::idealThreadCount(), forSeconds);
    if (!setup.baseline.isEmpty())
        measure("baseline", setup.baseline, setup.database, folder.path(), forSeconds);
    measure("this build", QStringLiteral(DPC_DEMO_SERVICE_EXE), setup.database, folder.path(),
            forSeconds);
    return 0;
}
