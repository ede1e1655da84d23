// Times the report export on the records behind a filled report list: CSV of
// 100,000 records against writing the same bytes with one plain QFile::write
// in the same run, PDF of 1,000 records; and the peak memory the CSV export
// adds to the list. Prints the figures and whether the aims are met.
#include "CsvWriter.h"
#include "ListSetup.h"
#include "ProcessMemory.h"
#include "ReportExport.h"
#include "ReportRecords.h"
#include "ReportRows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int Runs = 3;
constexpr int CsvRecords = 100000;
constexpr int PdfRecords = 1000;
constexpr double AimCsvMs = 1000.0;
constexpr double AimCsvRatio = 3.0;
constexpr double AimPdfMs = 3000.0;
constexpr double AimAddedMb = 100.0;

using ProcessMemory::resetPeak;
using ProcessMemory::statusMb;

// A staged F_LoadErroreByAnnoMese answer: one element a line, CR line ends.
QByteArray staged(int records)
{
    static const char* const names[] = {"FARMACIA CENTRALE", "FARMACIA SAN GIUSEPPE. DR. LO PRESTI",
                                        "ANTICA FARMACIA RUSSO", "FARMACIA \"DELL'ETNA\"; SNC",
                                        "FARMACIA DEL CORSO DI BIANCHI E ROSSI"};
    QByteArray text;
    text.reserve(qsizetype(records) * 640);
    for (int i = 1; i <= records; ++i) {
        const int code = 1000 + (i * 37) % 400;
        text += "<Errore>\r<ID>" + QByteArray::number(i) +
                "</ID>\r<Flusso>DPC</Flusso>\r"
                "<Anno>2025</Anno>\r<Mese>" +
                QByteArray::number(1 + i % 12) +
                "</Mese>\r"
                "<Codfarma>" +
                QByteArray::number(code) + "</Codfarma>\r<Farmacia>" + names[code % 5] +
                "</Farmacia>\r<NumricKey>" +
                QByteArray::number(190000000000000LL + qint64(i) * 7919) +
                "</NumricKey>\r<Assistito>RUSSO GIUSEPPE</Assistito>\r<CodAssistito>"
                "RSSGPP50A01G273X</CodAssistito>\r<AIC>035946023</AIC>\r<Farmaco>HUMIRA 40 MG "
                "SOLUZIONE INIETTABILE 2 PENNE</Farmaco>\r<Molecola>ADALIMUMAB</Molecola>\r"
                "<Pezzi>" +
                QByteArray::number(1 + i % 4) + "</Pezzi>\r<Lordo>" + QByteArray::number(i % 5000) +
                "." + QByteArray::number(10 + i % 90) +
                "</Lordo>\r<CodErrore>12</CodErrore>\r<DescrizioneErrore>RICETTA SCADUTA"
                "</DescrizioneErrore>\r<TipoAddebito>Totale</TipoAddebito>\r<Soggetto>Farmacia"
                "</Soggetto>\r</Errore>\r";
    }
    return text;
}

// The list as the report fills it, and the ids of its rows in order.
struct FilledList
{
    QTreeWidget list;
    ReportRecords records;
    QStringList ids;

    explicit FilledList(int n)
    {
        QByteArray answer = staged(n);
        ListSetup::prepare(&list, {{"ANNO", 780, Qt::AlignLeft, "S|True|"},
                                   {"MESE", 780, Qt::AlignRight, "S|True|"},
                                   {"CODICE", 1000, Qt::AlignRight, "S|True|"},
                                   {"FARMACIA", 4800, Qt::AlignLeft, "S|True|"},
                                   {"RICETTA N°", 2100, Qt::AlignLeft, "N|True|"},
                                   {"", 0, Qt::AlignLeft, QString()}});
        ListSetup::addRows(&list, ReportRows::read(answer));
        records = ReportRecords(std::move(answer));
        for (int r = 0; r < list.topLevelItemCount(); ++r)
            ids << list.topLevelItem(r)->text(ReportRows::IdColumn);
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

double best(std::vector<double> v)
{
    return *std::min_element(v.begin(), v.end());
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    ProcessMemory::printBuild(Runs);

    // CSV of 100,000 records, with the memory it adds to the filled list.
    double listMb = 0.0, addedMb = 0.0;
    std::vector<double> csvMs, plainMs, csvCpuMs;
    qint64 csvBytes = 0;
    {
        FilledList filled(CsvRecords);
        // The first export builds the record index; it counts like any other.
        listMb = statusMb("VmRSS:");
        for (int run = 0; run < Runs; ++run) {
            const QString path = dir.filePath(QStringLiteral("errori.csv"));
            resetPeak();
            const double before = statusMb("VmRSS:");
            QElapsedTimer timer;
            timer.start();
            const double cpuBefore = cpuMs();
            QString error;
            if (!ReportExport::writeCsv(path, filled.records, filled.ids, &error)) {
                std::printf("CSV export failed: %s\n", qPrintable(error));
                return 1;
            }
            csvMs.push_back(timer.nsecsElapsed() / 1e6);
            csvCpuMs.push_back(cpuMs() - cpuBefore);
            addedMb = std::max(addedMb, statusMb("VmHWM:") - before);

            QFile written(path);
            written.open(QIODevice::ReadOnly);
            const QByteArray bytes = written.readAll();
            csvBytes = bytes.size();
            QFile plain(dir.filePath(QStringLiteral("plain.csv")));
            timer.restart();
            plain.open(QIODevice::WriteOnly);
            plain.write(bytes);
            plain.close();
            plainMs.push_back(timer.nsecsElapsed() / 1e6);
        }
    }

    // Breakdown: reading the records alone, and writing the same rows alone.
    double readMs = 0.0, writeMs = 0.0;
    {
        FilledList filled(CsvRecords);
        QElapsedTimer timer;
        timer.start();
        QList<QStringList> rows;
        rows.reserve(CsvRecords);
        for (const QString& id : std::as_const(filled.ids)) {
            const std::optional<ReportRecord> r = filled.records.record(id);
            rows.append({r->anno, r->mese, r->codfarma, r->farmacia, r->numricKey, r->assistito,
                         r->codAssistito, r->aic, r->farmaco, r->molecola, r->pezzi,
                         CsvWriter::money(r->lordo), r->codErrore, r->descrizioneErrore,
                         r->tipoAddebito, r->soggetto, r->flusso});
        }
        readMs = timer.nsecsElapsed() / 1e6;
        timer.restart();
        CsvWriter csv(dir.filePath(QStringLiteral("rows.csv")));
        for (const QStringList& row : std::as_const(rows))
            csv.writeRow(row);
        csv.commit();
        writeMs = timer.nsecsElapsed() / 1e6;
    }

    // PDF of 1,000 records.
    std::vector<double> pdfMs;
    qint64 pdfBytes = 0;
    {
        FilledList filled(PdfRecords);
        ReportHeading heading{QStringLiteral("ASP DI PALERMO"),
                              QStringLiteral("OPERATORE"),
                              QStringLiteral("2025"),
                              QStringLiteral("Annuo"),
                              QStringLiteral("Tutte le Farmacie"),
                              QDateTime::currentDateTime()};
        for (int run = 0; run < Runs; ++run) {
            const QString path = dir.filePath(QStringLiteral("errori.pdf"));
            QElapsedTimer timer;
            timer.start();
            QString error;
            if (!ReportExport::writePdf(path, heading, filled.records, filled.ids, &error)) {
                std::printf("PDF export failed: %s\n", qPrintable(error));
                return 1;
            }
            pdfMs.push_back(timer.nsecsElapsed() / 1e6);
            pdfBytes = QFileInfo(path).size();
        }
    }

    const double csv = best(csvMs), plain = best(plainMs), pdf = best(pdfMs);
    const double ratio = csv / std::max(plain, 0.001);
    std::printf("CSV, %d records (%.1f MB): %.1f ms (aim < %.0f ms): %s\n", CsvRecords,
                csvBytes / 1048576.0, csv, AimCsvMs, csv < AimCsvMs ? "met" : "NOT met");
    std::printf("  CPU time of the export: %.1f ms\n", best(csvCpuMs));
    std::printf("  plain QFile::write of the same bytes: %.1f ms; ratio %.1f (aim <= %.1f): %s\n",
                plain, ratio, AimCsvRatio, ratio <= AimCsvRatio ? "met" : "NOT met");
    std::printf("  memory: list %.0f MB resident; the export adds at its peak %.1f MB "
                "(aim < %.0f MB): %s\n",
                listMb, addedMb, AimAddedMb, addedMb < AimAddedMb ? "met" : "NOT met");
    std::printf("  breakdown (one run): reading the records %.1f ms (index included), "
                "writing the rows %.1f ms\n",
                readMs, writeMs);
    std::printf("PDF, %d records (%.2f MB): %.1f ms (aim < %.0f ms): %s\n", PdfRecords,
                pdfBytes / 1048576.0, pdf, AimPdfMs, pdf < AimPdfMs ? "met" : "NOT met");
    return 0;
}
