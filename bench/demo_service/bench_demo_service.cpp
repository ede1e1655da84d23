// The demo service under load, each server in its own process, the clients
// in this one: a log-in while two whole-year reports are produced, one
// whole-year report at scale 100, registrations from 8 clients, and the peak
// memory while four 50 MiB bodies arrive. Prints the figures and whether the
// aims are met; with --baseline EXE the same figures for another build of the
// service, measured in the same run.
#include "BenchSetup.h"
#include "HttpsClient.h"
#include "SoapEnvelope.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <vector>

#include <unistd.h>

namespace {

constexpr double kAimLoginP95Ms = 50;
constexpr double kAimReportS = 0.6;
constexpr double kAimRegistrationsPerS = 1100;
// With a baseline, registrations must come at least this many times as fast.
constexpr double kAimRegistrationsRatio = 3;
constexpr int kRegistrationsPerClient = 250;
constexpr double kAimPeakMiB = 150;

const QString kNs = QStringLiteral("http://tempuri.org/");

QByteArray soap(const QString& op, const SoapChildren& children)
{
    return SoapEnvelope::build(kNs, op, children).toUtf8();
}

const QByteArray kLogin =
    soap("LoginUser", {{"utente", "operatore.pa"}, {"password", "dpc-demo-pa"}});
const QByteArray kReport =
    soap("F_LoadErroreByAnnoMese",
         {{"prov", "PA"}, {"flusso", "2"}, {"anno", "2025"}, {"mese", "0"}, {"farmacia", "0"}});
const QByteArray kRegistration = soap("ErroreDPC", {{"prov", "PA"},
                                                    {"anno", "2024"},
                                                    {"mese", "9"},
                                                    {"codfarma", "1234"},
                                                    {"numrickey", "123450000043211"},
                                                    {"aic", "035946023"},
                                                    {"pezzi", "2"},
                                                    {"errore", "12"}});

const char* verdict(bool met)
{
    return met ? "met" : "NOT met";
}

// One service process on a copy of the database.
class Service
{
public:
    Service(const QString& exe, const QString& database, const QStringList& args)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // This tree's certificate, which the clients trust, whatever build is measured.
        m_process.start(exe, QStringList{"--port", "0", "--database", database, "--cert",
                                         QStringLiteral(DPC_TEST_CERT_DIR "/server.pem"), "--key",
                                         QStringLiteral(DPC_TEST_CERT_DIR "/server.key")} +
                                 args);
        static const QRegularExpression listening(QStringLiteral("127\\.0\\.0\\.1:(\\d+)/"));
        while (m_process.waitForReadyRead(600000)) {
            const QRegularExpressionMatch match =
                listening.match(QString::fromUtf8(m_process.readLine()));
            m_port = match.hasMatch() ? quint16(match.captured(1).toUInt()) : 0;
            break;
        }
    }
    ~Service()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(30000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    quint16 port() const { return m_port; }
    // Processor time the service has used so far, user and system.
    double cpuSeconds() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
               double(sysconf(_SC_CLK_TCK));
    }
    double peakMiB() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
        }
        return -1;
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

void runThreads(int count, const std::function<void(int)>& body)
{
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back(QThread::create(body, i));
        threads.back()->start();
    }
    for (auto& thread : threads)
        thread->wait();
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

struct Figures
{
    double loginP50 = -1, loginP95 = -1;
    double reportS = -1;
    double reportCpuS = -1; // the service's processor time for it
    qsizetype reportBytes = 0;
    QByteArray reportBody;
    double registrationsPerS = -1;
    int registrationFailures = 0;
    double peakMiB = -1;
    int refusedEarly = 0;
};

Figures measure(const QString& exe, const QString& seeded, const QString& folder,
                const QList<QSslCertificate>& ca, const QStringList& args)
{
    Figures f;
    int copies = 0;
    const auto copy = [&] {
        const QString file = folder + QStringLiteral("/run-%1.sqlite").arg(++copies);
        QFile::remove(file);
        QFile::copy(seeded, file);
        return file;
    };
    {
        // Peak memory first, on a fresh process.
        Service service(exe, copy(), args);
        std::atomic<int> early = 0;
        runThreads(4, [&](int) {
            HttpsClient client(service.port(), ca);
            qint64 sent = 0;
            if (client.postHuge(50 * 1024 * 1024, &sent) == 500 && sent < 50 * 1024 * 1024)
                ++early;
        });
        f.peakMiB = service.peakMiB();
        f.refusedEarly = early;
    }
    {
        Service service(exe, copy(), args);
        std::vector<double> times;
        std::vector<double> cpu;
        for (int run = 0; run < 3; ++run) {
            HttpsClient client(service.port(), ca);
            QElapsedTimer timer;
            const double cpuBefore = service.cpuSeconds();
            timer.start();
            client.post(kReport, &f.reportBody);
            times.push_back(double(timer.nsecsElapsed()) / 1e9);
            cpu.push_back(service.cpuSeconds() - cpuBefore);
        }
        f.reportS = percentile(times, 0.5);
        f.reportCpuS = percentile(cpu, 0.5);
        f.reportBytes = f.reportBody.size();

        std::atomic<bool> done = false;
        std::vector<double> logins;
        runThreads(3, [&](int i) {
            HttpsClient client(service.port(), ca);
            if (i < 2) {
                QByteArray body;
                while (!done)
                    client.post(kReport, &body);
                return;
            }
            QThread::msleep(300); // the reports are under way
            QByteArray body;
            for (int n = 0; n < 40; ++n) {
                QElapsedTimer timer;
                timer.start();
                client.post(kLogin, &body);
                logins.push_back(double(timer.nsecsElapsed()) / 1e6);
                QThread::msleep(20);
            }
            done = true;
        });
        f.loginP50 = percentile(logins, 0.5);
        f.loginP95 = percentile(logins, 0.95);
    }
    {
        Service service(exe, copy(), args);
        std::atomic<int> failures = 0;
        QElapsedTimer timer;
        timer.start();
        runThreads(8, [&](int) {
            HttpsClient client(service.port(), ca);
            QByteArray body;
            for (int n = 0; n < kRegistrationsPerClient; ++n) {
                if (client.post(kRegistration, &body) != 200 || !body.contains("<Errore>"))
                    ++failures;
            }
        });
        f.registrationsPerS = 8.0 * kRegistrationsPerClient / (double(timer.nsecsElapsed()) / 1e9);
        f.registrationFailures = failures;
    }
    return f;
}

void print(const char* name, const Figures& f, double aimRegistrations)
{
    std::printf("\n%s\n", name);
    std::printf("  log-in during two whole-year reports: p50 %.1f ms, p95 %.1f ms (aim p95 <= %.0f "
                "ms): %s\n",
                f.loginP50, f.loginP95, kAimLoginP95Ms, verdict(f.loginP95 <= kAimLoginP95Ms));
    std::printf("  one whole-year report: %.3f s, %lld bytes (aim <= %.1f s): %s\n", f.reportS,
                qlonglong(f.reportBytes), kAimReportS, verdict(f.reportS <= kAimReportS));
    std::printf("    the service's processor time for it: %.3f s\n", f.reportCpuS);
    std::printf(
        "  registrations from 8 clients: %.0f per second, %d failed (aim >= %.0f per second): %s\n",
        f.registrationsPerS, f.registrationFailures, aimRegistrations,
        verdict(f.registrationsPerS >= aimRegistrations && f.registrationFailures == 0));
    std::printf("  peak memory with four 50 MiB bodies: %.0f MiB, %d of 4 refused before the end "
                "(aim <= %.0f MiB): %s\n",
                f.peakMiB, f.refusedEarly, kAimPeakMiB, verdict(f.peakMiB <= kAimPeakMiB));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    BenchSetup setup;
    if (!setup.prepare(app, folder))
        return 1;
    const QString seeded = setup.database;
    const QList<QSslCertificate> ca =
        QSslCertificate::fromPath(QStringLiteral(DPC_TEST_CERT_DIR "/ca.pem"));
    const QString exe = QStringLiteral(DPC_DEMO_SERVICE_EXE);
    std::printf("Demo service under load, %d cores, database at scale 100\n",
                QThread::idealThreadCount());

    double aimRegistrations = kAimRegistrationsPerS;
    Figures baseline;
    if (!setup.baseline.isEmpty()) {
        baseline = measure(setup.baseline, seeded, folder.path(), ca, {});
        print("baseline", baseline, kAimRegistrationsPerS);
        aimRegistrations = kAimRegistrationsRatio * baseline.registrationsPerS;
    }
    const Figures current = measure(exe, seeded, folder.path(), ca, {});
    print("this build", current, aimRegistrations);
    if (!setup.baseline.isEmpty()) {
        std::printf("\n  report %.1fx faster than the baseline; its bytes are %s\n",
                    baseline.reportS / current.reportS,
                    baseline.reportBody == current.reportBody ? "the same" : "DIFFERENT");
        std::printf("  registrations %.1fx the baseline's (aim >= %.0fx): %s\n",
                    current.registrationsPerS / baseline.registrationsPerS, kAimRegistrationsRatio,
                    verdict(current.registrationsPerS >=
                            kAimRegistrationsRatio * baseline.registrationsPerS));
    }
    return 0;
}
