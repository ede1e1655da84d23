// The demo service's answer for one pharmacy and month, as the registration
// tab asks for it before every registration (and again after a lost answer):
// a month of 200 registered errors in a database seeded at scale 100. Prints
// its median and p95 time and the service's processor time per answer,
// against a log-in's on the same connection measured in the same run, and
// whether the aim is met; with --baseline EXE the same for another build of
// the service.
#include "BenchSetup.h"
#include "DemoFixtures.h"
#include "DemoServiceProcess.h"
#include "HttpsClient.h"
#include "SoapEnvelope.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>

#include <optional>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

namespace {

constexpr double kAimMs = 20;
constexpr int kRecords = 200;
constexpr int kRuns = 60;

const QString kNs = QStringLiteral("http://tempuri.org/");

QByteArray soap(const QString& op, const SoapChildren& children)
{
    return SoapEnvelope::build(kNs, op, children).toUtf8();
}

const QString kYear = QString::number(Demo::Fixtures::prescriptionYear);
const QString kMonth = QString::number(Demo::Fixtures::prescriptionMonth);
const QString kPharmacy = QString::number(Demo::Fixtures::pharmacyCode);

const QByteArray kMonthLookUp = soap(
    "F_LoadErroreByAnnoMese",
    {{"prov", "PA"}, {"flusso", "2"}, {"anno", kYear}, {"mese", kMonth}, {"farmacia", kPharmacy}});
const QByteArray kRegistration =
    soap("ErroreDPC", {{"prov", "PA"},
                       {"anno", kYear},
                       {"mese", kMonth},
                       {"codfarma", kPharmacy},
                       {"numrickey", Demo::Fixtures::prescriptionPA},
                       {"aic", Demo::Fixtures::aicPlan},
                       {"pezzi", "1"},
                       {"errore", QString::number(Demo::Fixtures::errorPharmacy)}});
const QByteArray kLogin = soap(
    "LoginUser", {{"utente", Demo::Fixtures::userPA}, {"password", Demo::Fixtures::passwordPA}});

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

// The time of one answer in milliseconds; negative when it failed.
double timed(HttpsClient& client, const QByteArray& request, QByteArray* body)
{
    QElapsedTimer timer;
    timer.start();
    const int status = client.post(request, body);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return status == 200 ? ms : -1;
}

// Processor time a process has used so far, user and system, in milliseconds.
double cpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return 1000.0 * double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

struct Figures
{
    int seeded = 0;
    qsizetype records = 0;
    qsizetype bytes = 0;
    double monthP50 = -1, monthP95 = -1, monthCpuMs = -1;
    double loginP50 = -1, loginCpuMs = -1;
};

// Fills the month to 200 records on a copy of the seeded database, then
// times the month's answer and a log-in, alternately.
std::optional<Figures> measure(const QString& exe, const QString& seeded, const QString& copy)
{
    QFile::remove(copy);
    if (!QFile::copy(seeded, copy)) {
        std::printf("could not copy %s\n", qPrintable(seeded));
        return std::nullopt;
    }
    DemoServiceProcess service;
    if (!service.start(copy, {}, exe)) {
        std::printf("the demo service did not start\n");
        return std::nullopt;
    }
    HttpsClient client(service.port(), DemoServiceProcess::caCertificates());
    if (!client.connected()) {
        std::printf("could not connect to the demo service\n");
        return std::nullopt;
    }

    Figures f;
    QByteArray body;
    client.post(kMonthLookUp, &body);
    f.seeded = int(body.count("</Errore>"));
    for (int n = f.seeded; n < kRecords; ++n) {
        if (client.post(kRegistration, &body) != 200 || !body.contains("<Errore>")) {
            std::printf("a registration failed\n");
            return std::nullopt;
        }
    }
    client.post(kMonthLookUp, &body);
    f.records = body.count("</Errore>");
    f.bytes = body.size();

    std::vector<double> month;
    std::vector<double> login;
    double monthCpu = 0;
    double loginCpu = 0;
    for (int run = -3; run < kRuns; ++run) { // three to warm up
        const double before = cpuMs(service.processId());
        const double m = timed(client, kMonthLookUp, &body);
        const double between = cpuMs(service.processId());
        const double l = timed(client, kLogin, &body);
        const double after = cpuMs(service.processId());
        if (m < 0 || l < 0) {
            std::printf("a request failed\n");
            return std::nullopt;
        }
        if (run >= 0) {
            month.push_back(m);
            login.push_back(l);
            monthCpu += between - before;
            loginCpu += after - between;
        }
    }
    f.monthP50 = percentile(month, 0.5);
    f.monthP95 = percentile(month, 0.95);
    f.monthCpuMs = monthCpu / kRuns;
    f.loginP50 = percentile(login, 0.5);
    f.loginCpuMs = loginCpu / kRuns;
    return f;
}

void print(const char* name, const Figures& f)
{
    std::printf("\n%s: one pharmacy's month (%d seeded, %lld records, %lld bytes), %d runs\n", name,
                f.seeded, qlonglong(f.records), qlonglong(f.bytes), kRuns);
    std::printf("  answer: p50 %.2f ms, p95 %.2f ms (aim p95 < %.0f ms): %s\n", f.monthP50,
                f.monthP95, kAimMs,
                f.monthP95 < kAimMs && f.records == kRecords ? "met" : "NOT met");
    std::printf("    the service's processor time per answer: %.2f ms\n", f.monthCpuMs);
    std::printf("  a log-in on the same connection: p50 %.2f ms, processor %.2f ms; the month "
                "takes %.1fx a log-in\n",
                f.loginP50, f.loginCpuMs, f.monthP50 / f.loginP50);
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
    // The month is filled on a copy, so the seeded file serves the next run as it is.
    const QString copy = folder.filePath("month.sqlite");
    std::optional<Figures> baseline;
    if (!setup.baseline.isEmpty()) {
        baseline = measure(setup.baseline, seeded, copy);
        if (!baseline)
            return 1;
        print("baseline", *baseline);
    }
    const std::optional<Figures> current =
        measure(QStringLiteral(DPC_DEMO_SERVICE_EXE), seeded, copy);
    if (!current)
        return 1;
    print("this build", *current);
    if (baseline)
        std::printf("\n  the month's answer %.1fx faster than the baseline, %.1fx less processor "
                    "time\n",
                    baseline->monthP50 / current->monthP50,
                    baseline->monthCpuMs / current->monthCpuMs);
    return 0;
}
