// Staging and reading a large report answer, against two yardsticks measured in
// the same run: copying the answer's bytes to a file, and one QXmlStreamReader
// pass over the answer. Prints the figures for three sizes to show how the time
// grows, then whether the aims are met: staging within 10 times copy+write,
// reading within 0.3 times an XML pass, and the same time per record at every size
// (within 30 % of the middle size).

#include "ResultStager.h"
#include "StagingFolder.h"
#include "ValueReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

const QString operation = QStringLiteral("F_LoadErroreByAnnoMese");

// One registered error as the report answer lists it, about 500 bytes.
QString record(int i)
{
    static const char* const pharmacies[] = {
        "Farmacia Sant'Agata di Nicolò Ferrà", "Farmacia Centrale dell'Università",
        "Farmacia San Giuseppe Città Vecchia", "Farmacia Comunale Nuova Perù"};
    static const char* const drugs[] = {"ENOXAPARINA SODICA 4000UI 6 SIRINGHE",
                                        "ERITROPOIETINA ALFA 10000UI 6 FLACONCINI",
                                        "INSULINA GLARGINE 100UI/ML 5 PENNE"};
    return QStringLiteral("<Errore><ID>%1</ID><Anno>2024</Anno><Mese>%2</Mese>"
                          "<Codfarma>%3</Codfarma><Farmacia>%4</Farmacia>"
                          "<Localita>Caltanissetta</Localita><Distretto>D%5</Distretto>"
                          "<NumricKey>19%6</NumricKey><Progressivo>%7</Progressivo>"
                          "<AIC>0%8</AIC><Farmaco>%9</Farmaco><Pezzi>2</Pezzi>"
                          "<Lordo>123,45</Lordo><Netto>98,76</Netto><CodErrore>12</CodErrore>"
                          "<Descrizione>Quantità dispensata superiore al prescritto</Descrizione>"
                          "<TipoAddebito>1</TipoAddebito><Soggetto>Farmacia</Soggetto></Errore>")
        .arg(i)
        .arg(i % 12 + 1)
        .arg(100 + i % 900, 5, 10, QLatin1Char('0'))
        .arg(QString::fromUtf8(pharmacies[i % 4]))
        .arg(i % 7)
        .arg(1000000000000LL + i, 13, 10, QLatin1Char('0'))
        .arg(i % 1000)
        .arg(30000000 + i, 8, 10, QLatin1Char('0'))
        .arg(QString::fromUtf8(drugs[i % 3]));
}

QString answer(int records)
{
    QString text =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
                       "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                       "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                       "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
                       "<F_LoadErroreByAnnoMeseResponse xmlns=\"http://tempuri.org/\">"
                       "<F_LoadErroreByAnnoMeseResult>");
    text.reserve(qsizetype(records) * 560 + 400);
    for (int i = 0; i < records; ++i)
        text += record(i);
    text += QStringLiteral(
        "</F_LoadErroreByAnnoMeseResult></F_LoadErroreByAnnoMeseResponse></soap:Body>"
        "</soap:Envelope>");
    return text;
}

// Best of `runs` runs, in milliseconds.
double bestMs(int runs, const std::function<void()>& work)
{
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

void fail(const char* what)
{
    std::fprintf(stderr, "bench_staging: %s\n", what);
    std::exit(1);
}

struct Figures
{
    int records = 0;
    double stageMs = 0;
    double readMs = 0;
    double copyMs = 0;
    double xmlMs = 0;
    double stagePerRecordUs() const { return stageMs * 1e3 / records; }
    double readPerRecordUs() const { return readMs * 1e3 / records; }
};

Figures measure(int records)
{
    // A small answer is handled in a few milliseconds, where a busy machine's
    // noise weighs most: it is timed more often.
    const int runs = records < 20000 ? 30 : 3;
    const QString text = answer(records);
    const QByteArray bytes = text.toUtf8();
    const double megabytes = bytes.size() / 1e6;
    QTemporaryDir dir;
    const StagingFolder staging(dir.path());

    // What ServiceCall::stage does with an answer.
    const double stageMs = bestMs(runs, [&] {
        if (!ResultStager::hasResult(text, operation, true) ||
            !staging.writeWith(StagingFolder::exportFile, [&](QIODevice& file) {
                return ResultStager::writeStaged(text, operation, true, file);
            }))
            fail("staging failed");
    });

    static const QString tags[] = {QStringLiteral("ID"),       QStringLiteral("Anno"),
                                   QStringLiteral("Mese"),     QStringLiteral("Codfarma"),
                                   QStringLiteral("Farmacia"), QStringLiteral("NumricKey")};
    qsizetype valueChars = 0;
    const double readMs = bestMs(runs, [&] {
        valueChars = 0;
        staging.forEachLine(StagingFolder::exportFile, [&](QStringView line) {
            for (const QString& tag : tags) {
                if (ValueReader::hasTag(line, tag))
                    valueChars += ValueReader::LEGGI_VALORE(line, tag).size();
            }
            return true;
        });
    });
    if (valueChars == 0)
        fail("reading found no values");

    const QString copyPath = dir.filePath(QStringLiteral("copy.xml"));
    const double copyMs = bestMs(runs, [&] {
        QByteArray copy = bytes;
        copy.detach();
        QFile file(copyPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(copy) != copy.size())
            fail("copy failed");
    });

    qsizetype elements = 0;
    const double xmlMs = bestMs(runs, [&] {
        elements = 0;
        QXmlStreamReader xml(text);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement)
                ++elements;
        }
        if (xml.hasError())
            fail("the answer is not well-formed");
    });

    const Figures f{records, stageMs, readMs, copyMs, xmlMs};
    std::printf("%8d %7.1f | %8.1f %6.1f | %8.1f %6.1f | %8.1f %8.1f | %6.2f %6.2f %6.2f"
                " | %5.2f %5.2f\n",
                records, megabytes, stageMs, megabytes / (stageMs / 1e3), readMs,
                megabytes / (readMs / 1e3), copyMs, xmlMs, stageMs / copyMs, stageMs / xmlMs,
                readMs / xmlMs, f.stagePerRecordUs(), f.readPerRecordUs());
    std::fflush(stdout);
    return f;
}

const char* verdict(bool met)
{
    return met ? "met" : "NOT MET";
}

} // namespace

int main(int argc, char** argv)
{
    QList<int> sizes = {2000, 20000, 200000};
    if (argc > 1) {
        sizes.clear();
        for (int i = 1; i < argc; ++i)
            sizes.append(std::atoi(argv[i]));
    }
    std::printf(
        "Staging: cut with commas replaced, split, write. Reading: read the file,\n"
        "take 6 tags from every line. Times are the best of 3 runs (30 below 20,000 records).\n\n");
    std::printf(" records      MB |  staging   MB/s |  reading   MB/s |   copy+w XML pass |"
                "  stage/  stage/   read/ | us per record\n");
    std::printf("                 |       ms        |       ms        |       ms       ms |"
                "   copy     XML     XML | stage  read\n");
    QList<Figures> all;
    for (int records : sizes)
        all.append(measure(records));

    std::printf("\nAims\n");
    for (const Figures& f : all) {
        const double stageRatio = f.stageMs / f.copyMs;
        const double readRatio = f.readMs / f.xmlMs;
        std::printf("%8d  staging %6.2f x copy+write (aim <= 10): %-7s  reading %5.2f x XML pass"
                    " (aim <= 0.3): %s\n",
                    f.records, stageRatio, verdict(stageRatio <= 10.0), readRatio,
                    verdict(readRatio <= 0.3));
    }
    // Time per record against the middle size: the cost grows with the answer,
    // not faster.
    const Figures& middle = all[all.size() / 2];
    for (const Figures& f : all) {
        const double stage = f.stagePerRecordUs() / middle.stagePerRecordUs() - 1.0;
        const double read = f.readPerRecordUs() / middle.readPerRecordUs() - 1.0;
        std::printf("%8d  per record vs %d: staging %+5.0f %% %-7s  reading %+5.0f %% %s"
                    " (aim within 30 %%)\n",
                    f.records, middle.records, stage * 100, verdict(std::fabs(stage) <= 0.3),
                    read * 100, verdict(std::fabs(read) <= 0.3));
    }
    return 0;
}
