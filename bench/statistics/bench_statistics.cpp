// Times the statistics window for a year of 100,000 records, from the request
// to the window shown with its three lists and its chart, against "Elabora" on
// the REPORTS tab for the same answer from the same loopback TLS server, in the
// same run. Prints the figures and whether the aims are met.
#include "AppContext.h"
#include "CannedServerProcess.h"
#include "ProcessMemory.h"
#include "ReportsPage.h"
#include "ReportsTab.h"
#include "ResultStager.h"
#include "Statistiche.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Records = 100000;
constexpr int Runs = 5;
constexpr double AimMs = 1500.0;
constexpr double AimRatio = 2.0;

double bestMs(const std::function<void()>& run)
{
    return ProcessMemory::bestMs(Runs, run);
}

// A province's year: 400 pharmacies, 60 error codes, every month.
QByteArray cannedAnswer(int records)
{
    QRandomGenerator random(20260101);
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
                      "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
                      "<F_LoadErroreByAnnoMeseResponse xmlns=\"http://tempuri.org/\">"
                      "<F_LoadErroreByAnnoMeseResult>";
    body.reserve(qsizetype(records) * 580);
    for (int i = 1; i <= records; ++i) {
        const int pharmacy = int(random.bounded(1, 401));
        const int code = int(random.bounded(1, 61));
        const QByteArray cents = QByteArray::number(random.bounded(100, 500000));
        body += "<Errore><ID>" + QByteArray::number(i) +
                "</ID><Flusso>DPC</Flusso><Anno>2026</Anno><Mese>" +
                QByteArray::number(random.bounded(1, 13)) + "</Mese><Codfarma>" +
                QByteArray::number(pharmacy) + "</Codfarma><Farmacia>FARMACIA N. " +
                QByteArray::number(pharmacy) + ", DR. ROSSI</Farmacia><NumricKey>" +
                QByteArray::number(190000000000000LL + random.bounded(1, 999999999)) +
                "</NumricKey><Assistito>RUSSO GIUSEPPE</Assistito><CodAssistito>"
                "RSSGPP50A01G273X</CodAssistito><AIC>035946023</AIC><Farmaco>HUMIRA 40 MG "
                "SOLUZIONE INIETTABILE 2 PENNE</Farmaco><Molecola>ADALIMUMAB</Molecola><Pezzi>" +
                QByteArray::number(random.bounded(1, 5)) + "</Pezzi><Lordo>" +
                cents.left(cents.size() - 2) + "," + cents.right(2) + "</Lordo><CodErrore>" +
                QByteArray::number(code) + "</CodErrore><DescrizioneErrore>ERRORE DI TIPO " +
                QByteArray::number(code) +
                "</DescrizioneErrore><TipoAddebito>A</TipoAddebito><Soggetto>Farmacia"
                "</Soggetto></Errore>";
    }
    return body + "</F_LoadErroreByAnnoMeseResult></F_LoadErroreByAnnoMeseResponse>"
                  "</soap:Body></soap:Envelope>";
}

} // namespace

int main(int argc, char* argv[])
{
    CannedServerProcess server(argc, argv, [] { return cannedAnswer(Records); });
    if (server.port() == 0) {
        std::printf("the loopback server did not start\n");
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    ProcessMemory::printBuild(Runs);

    QTemporaryDir folder;
    ReportsTab tab(server.port(), folder.path(), 2026);
    ReportsPage& page = tab.page;
    AppContext& context = tab.context;

    const double elaboraMs = bestMs([&] {
        page.Comm_ELABORA->click();
        QCoreApplication::processEvents();
    });
    const bool listRight = page.ListView1->topLevelItemCount() == Records;

    qint64 shownErrors = 0;
    int pharmacies = 0;
    const double statisticsMs = bestMs([&] {
        std::optional<ErrorStatistics> statistics = Statistiche::fetch(context, &page, 2026, 0);
        if (!statistics)
            return;
        Statistiche window(context, std::move(*statistics), 2026,
                           QStringLiteral("TUTTE LE FARMACIE"), &page);
        window.show();
        QCoreApplication::processEvents(); // the first paint of lists and chart
        shownErrors = window.statistics().total.errors;
        pharmacies = window.List_farmacie->topLevelItemCount();
    });

    // Where the time goes: the request and the reading in memory, then the window.
    std::optional<ErrorStatistics> fetched;
    const double fetchMs = bestMs([&] { fetched = Statistiche::fetch(context, &page, 2026, 0); });
    const double windowMs = bestMs([&] {
        Statistiche window(context, *fetched, 2026, QStringLiteral("TUTTE LE FARMACIE"), &page);
        window.show();
        QCoreApplication::processEvents();
    });

    const QString operation = QStringLiteral("F_LoadErroreByAnnoMese");
    QByteArray response;
    const double postMs = bestMs([&] {
        response = context.service().postUtf8(
            operation,
            {{"prov", "PA"}, {"flusso", "2"}, {"anno", "2026"}, {"mese", "0"}, {"farmacia", "0"}});
    });
    std::optional<QByteArray> split;
    const double cutMs =
        bestMs([&] { split = ResultStager::stagedBytes(response, operation, false); });
    const double readMs = bestMs([&] { fetched = ErrorStatistics::read(*split); });

    std::printf("%d records, %d pharmacies\n", Records, pharmacies);
    std::printf("  Elabora -> list filled, counted, sorted: %8.1f ms%s\n", elaboraMs,
                listRight ? "" : " (WRONG row count)");
    std::printf("  statistics window shown:                 %8.1f ms%s\n", statisticsMs,
                shownErrors == Records ? "" : " (WRONG total)");
    std::printf("  breakdown: request and reading %.1f ms (post %.1f, cut and split %.1f, "
                "read %.1f), window with lists and chart %.1f ms\n",
                fetchMs, postMs, cutMs, readMs, windowMs);
    const bool fastMet = statisticsMs < AimMs;
    const bool ratioMet = statisticsMs < AimRatio * elaboraMs;
    std::printf("under %.0f ms: %s\n", AimMs, fastMet ? "met" : "NOT met");
    std::printf("under %.0fx Elabora (ratio %.2f): %s\n", AimRatio, statisticsMs / elaboraMs,
                ratioMet ? "met" : "NOT met");
    std::fflush(stdout);
    return 0;
}
