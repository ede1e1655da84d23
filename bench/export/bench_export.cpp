// Times the files written from a filled report list, each against its aim:
// CSV of 100,000 records against one plain QFile::write of the same bytes in
// the same run, a spreadsheet of 100,000 records and the memory it adds, one
// PDF notice per pharmacy for 44,300 records over 300 pharmacies, and Ctrl+C
// of 100,000 selected rows. Prints the figures and whether the aims are met.
// Arguments (csv, xlsx, notices, copy) run only those parts.
#include "ListContextMenu.h"
#include "ListSetup.h"
#include "NoticeHeading.h"
#include "PharmacyGroups.h"
#include "PharmacyNotices.h"
#include "ProcessMemory.h"
#include "ReportCsv.h"
#include "ReportNotices.h"
#include "ReportRecords.h"
#include "ReportRows.h"
#include "ReportXlsx.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <unistd.h>
#include <vector>

namespace {

constexpr int Runs = 5;
constexpr int CsvRecords = 100000;
constexpr double AimCsvRatio = 5.0;
constexpr double AimCsvAddedMb = 100.0;
constexpr int XlsxRecords = 100000;
constexpr double AimXlsxMs = 2000.0;
constexpr double AimXlsxAddedMb = 150.0;
constexpr int NoticeRecords = 44300;
constexpr int NoticePharmacies = 300;
constexpr double AimNoticesMs = 15000.0;
constexpr int CopyRows = 100000;
constexpr double AimCopyMs = 500.0;

using ProcessMemory::resetPeak;
using ProcessMemory::statusMb;

// A F_LoadErroreByAnnoMese result as it arrived, split one element a line.
QByteArray answer(int records, int pharmacies)
{
    static const char* const names[] = {"FARMACIA CENTRALE", "FARMACIA SAN GIUSEPPE, DR. LO PRESTI",
                                        "ANTICA FARMACIA RUSSO", "FARMACIA \"DELL'ETNA\"; SNC",
                                        "FARMACIA DEL CORSO DI BIANCHI &amp; ROSSI"};
    QByteArray text;
    text.reserve(qsizetype(records) * 640);
    for (int i = 1; i <= records; ++i) {
        const int code = 1000 + (i * 37) % pharmacies;
        text += "<Errore>\r<ID>" + QByteArray::number(i) +
                "</ID>\r<Flusso>DPC</Flusso>\r<Anno>2025</Anno>\r<Mese>" +
                QByteArray::number(1 + i % 12) + "</Mese>\r<Codfarma>" + QByteArray::number(code) +
                "</Codfarma>\r<Farmacia>" + names[code % 5] + "</Farmacia>\r<NumricKey>" +
                QByteArray::number(190000000000000LL + qint64(i) * 7919) +
                "</NumricKey>\r<Assistito>RUSSO, GIUSEPPE</Assistito>\r<CodAssistito>"
                "RSSGPP50A01G273X</CodAssistito>\r<AIC>035946023</AIC>\r<Farmaco>HUMIRA 40 MG "
                "SOLUZIONE INIETTABILE 2 PENNE</Farmaco>\r<Molecola>ADALIMUMAB</Molecola>\r"
                "<Pezzi>" +
                QByteArray::number(1 + i % 4) + "</Pezzi>\r<Lordo>" + QByteArray::number(i % 5000) +
                "," + QByteArray::number(10 + i % 90) +
                "</Lordo>\r<CodErrore>12</CodErrore>\r<DescrizioneErrore>ESENZIONE NON SPETTANTE, "
                "TICKET NON RISCOSSO</DescrizioneErrore>\r<TipoAddebito>Totale</TipoAddebito>\r"
                "<Soggetto>Farmacia</Soggetto>\r</Errore>\r";
    }
    return text;
}

// The list as the report fills it from the staged answer, and the answer as
// it arrived behind it.
struct FilledList
{
    QTreeWidget list;
    ReportRecords records;
    QList<qsizetype> positions;

    FilledList(int n, int pharmacies)
    {
        QByteArray raw = answer(n, pharmacies);
        QByteArray staged = raw;
        staged.replace(',', '.');
        ListSetup::prepare(&list, {{"ANNO", 780, Qt::AlignLeft, "S|True|"},
                                   {"MESE", 780, Qt::AlignRight, "S|True|"},
                                   {"CODICE", 1000, Qt::AlignRight, "S|True|"},
                                   {"FARMACIA", 4800, Qt::AlignLeft, "S|True|"},
                                   {"RICETTA N°", 2100, Qt::AlignLeft, "N|True|"},
                                   {"", 0, Qt::AlignLeft, QString()}});
        // As the REPORTS tab does: the reading of the list finds where the records end.
        std::vector<qsizetype> recordEnds;
        ListSetup::addRows(&list, ReportRows::read(staged, &recordEnds),
                           ReportRecords::PositionRole);
        records = ReportRecords(std::move(raw), std::move(recordEnds));
        positions = ReportNotices::listedPositions(&list);
    }
};

// CPU time of this process in ms: less swayed than the wall clock by other
// work on a shared machine.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double best(const std::vector<double>& v)
{
    return *std::min_element(v.begin(), v.end());
}

const char* verdict(bool met)
{
    return met ? "met" : "NOT met";
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    ProcessMemory::printBuild(Runs);
    const QStringList parts = app.arguments().mid(1);
    const auto runs = [&](const char* part) {
        return parts.isEmpty() || parts.contains(QLatin1String(part));
    };

    // CSV of 100,000 records, against writing its bytes.
    double csvAddedMb = 0.0;
    std::vector<double> csvMs{0}, plainMs{1}, csvCpuMs{0}, plainCpuMs{1}, syncedMs{1};
    qint64 csvBytes = 0;
    if (runs("csv")) {
        csvMs.clear();
        plainMs.clear();
        csvCpuMs.clear();
        plainCpuMs.clear();
        syncedMs.clear();
        FilledList filled(CsvRecords, 400);
        for (int run = 0; run < Runs; ++run) {
            const QString path = dir.filePath(QStringLiteral("errori.csv"));
            resetPeak();
            const double before = statusMb("VmRSS:");
            QElapsedTimer timer;
            timer.start();
            double cpu = cpuMs();
            QString error;
            if (!ReportCsv::write(path, filled.records, filled.positions, {}, &error)) {
                std::printf("CSV export failed: %s\n", qPrintable(error));
                return 1;
            }
            csvMs.push_back(timer.nsecsElapsed() / 1e6);
            csvCpuMs.push_back(cpuMs() - cpu);
            csvAddedMb = std::max(csvAddedMb, statusMb("VmHWM:") - before);

            QFile written(path);
            written.open(QIODevice::ReadOnly);
            const QByteArray bytes = written.readAll();
            csvBytes = bytes.size();
            QFile plain(dir.filePath(QStringLiteral("plain.csv")));
            timer.restart();
            cpu = cpuMs();
            plain.open(QIODevice::WriteOnly);
            plain.write(bytes);
            plain.close();
            plainMs.push_back(timer.nsecsElapsed() / 1e6);
            plainCpuMs.push_back(cpuMs() - cpu);

            // The same, on the disk before it is closed, as the export puts its file.
            QFile synced(dir.filePath(QStringLiteral("synced.csv")));
            timer.restart();
            synced.open(QIODevice::WriteOnly);
            synced.write(bytes);
            synced.flush();
            ::fdatasync(synced.handle());
            synced.close();
            syncedMs.push_back(timer.nsecsElapsed() / 1e6);
        }
    }

    // The spreadsheet of 100,000 records, with the memory it adds.
    double xlsxAddedMb = 0.0;
    std::vector<double> xlsxMs{0}, xlsxCpuMs{0};
    qint64 xlsxBytes = 0;
    if (runs("xlsx")) {
        xlsxMs.clear();
        xlsxCpuMs.clear();
        FilledList filled(XlsxRecords, 400);
        for (int run = 0; run < Runs; ++run) {
            const QString path = dir.filePath(QStringLiteral("errori.xlsx"));
            resetPeak();
            const double before = statusMb("VmRSS:");
            QElapsedTimer timer;
            timer.start();
            const double cpu = cpuMs();
            QString error;
            if (!ReportXlsx::write(path, filled.records, filled.positions, {}, &error)) {
                std::printf("spreadsheet export failed: %s\n", qPrintable(error));
                return 1;
            }
            xlsxMs.push_back(timer.nsecsElapsed() / 1e6);
            xlsxCpuMs.push_back(cpuMs() - cpu);
            xlsxAddedMb = std::max(xlsxAddedMb, statusMb("VmHWM:") - before);
            xlsxBytes = QFileInfo(path).size();
        }
    }

    // One notice per pharmacy: 44,300 records over 300 pharmacies, once (it is long).
    double noticesMs = 0.0, noticesCpuMs = 0.0;
    qsizetype noticeFiles = 0;
    qint64 noticeBytes = 0;
    if (runs("notices")) {
        FilledList filled(NoticeRecords, NoticePharmacies);
        const NoticeHeading heading{QStringLiteral("ASP DI PALERMO"),
                                    QStringLiteral("OPERATORE"),
                                    QStringLiteral("2025"),
                                    QStringLiteral("Annuo"),
                                    QStringLiteral("Tutte le Farmacie"),
                                    QStringLiteral("annuo"),
                                    QDateTime::currentDateTime()};
        const QString folder = dir.filePath(QStringLiteral("notifiche"));
        QDir().mkpath(folder);
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuMs();
        PharmacyGroups groups;
        QString error;
        if (!groups.read(filled.records, filled.positions, &error)) {
            std::printf("grouping failed: %s\n", qPrintable(error));
            return 1;
        }
        const PharmacyNotices::Outcome outcome =
            PharmacyNotices::write(folder, heading, filled.records, groups, {});
        noticesMs = timer.nsecsElapsed() / 1e6;
        noticesCpuMs = cpuMs() - cpu;
        if (!outcome.failed.isEmpty()) {
            std::printf("notice failed: %s\n", qPrintable(outcome.failed));
            return 1;
        }
        noticeFiles = outcome.written;
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files))
            noticeBytes += f.size();
    }

    // Ctrl+C of 100,000 selected rows.
    std::vector<double> copyMs{0};
    qsizetype copied = 0;
    if (runs("copy")) {
        copyMs.clear();
        FilledList filled(CopyRows, 400);
        filled.list.selectAll();
        ListContextMenu* menu = ListContextMenu::attach(&filled.list);
        for (int run = 0; run < Runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            menu->copy();
            copyMs.push_back(timer.nsecsElapsed() / 1e6);
            copied = QGuiApplication::clipboard()->text().count(u'\n') - 1;
        }
    }

    if (runs("csv")) {
        const double csv = best(csvMs), plain = best(plainMs);
        const double ratio = csv / std::max(plain, 0.001);
        std::printf("CSV, %d records (%.1f MB): %.1f ms; plain QFile::write of the same bytes "
                    "%.1f ms; ratio %.1f (aim <= %.0f): %s\n",
                    CsvRecords, csvBytes / 1048576.0, csv, plain, ratio, AimCsvRatio,
                    verdict(ratio <= AimCsvRatio));
        std::printf("  CPU time: the export %.1f ms, the plain write %.1f ms, ratio %.1f\n",
                    best(csvCpuMs), best(plainCpuMs),
                    best(csvCpuMs) / std::max(best(plainCpuMs), 0.001));
        std::printf("  the plain write synced to the disk, as the export's file is: %.1f ms; the "
                    "export's ratio to it %.1f\n",
                    best(syncedMs), csv / std::max(best(syncedMs), 0.001));
        std::printf("  memory the CSV export adds at its peak: %.1f MB (aim < %.0f MB): %s\n",
                    csvAddedMb, AimCsvAddedMb, verdict(csvAddedMb < AimCsvAddedMb));
    }
    if (runs("xlsx")) {
        const double xlsx = best(xlsxMs);
        std::printf("spreadsheet, %d records (%.1f MB): %.1f ms (aim < %.0f ms): %s\n", XlsxRecords,
                    xlsxBytes / 1048576.0, xlsx, AimXlsxMs, verdict(xlsx < AimXlsxMs));
        std::printf("  CPU time %.1f ms\n", best(xlsxCpuMs));
        std::printf("  memory it adds at its peak: %.1f MB (aim < %.0f MB): %s\n", xlsxAddedMb,
                    AimXlsxAddedMb, verdict(xlsxAddedMb < AimXlsxAddedMb));
    }
    if (runs("notices")) {
        std::printf("notices, %d records over %d pharmacies: %lld files (%.1f MB) in %.1f ms "
                    "(aim < %.0f ms): %s\n",
                    NoticeRecords, NoticePharmacies, qlonglong(noticeFiles),
                    noticeBytes / 1048576.0, noticesMs, AimNoticesMs,
                    verdict(noticesMs < AimNoticesMs && noticeFiles == NoticePharmacies));
        std::printf("  CPU time %.1f ms\n", noticesCpuMs);
    }
    if (runs("copy")) {
        const double copy = best(copyMs);
        std::printf("Ctrl+C of %lld rows: %.1f ms (aim < %.0f ms): %s\n", qlonglong(copied), copy,
                    AimCopyMs, verdict(copy < AimCopyMs && copied == CopyRows));
    }
    return 0;
}
