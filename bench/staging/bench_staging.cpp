// Staging and reading a large report answer, against two yardsticks measured in
// the same run: copying the answer's bytes to a file, and one QXmlStreamReader
// pass over the answer. Prints the figures for three sizes to show how the time
// grows.

#include "ResultStager.h"
#include "StagingFolder.h"
#include "ValueReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
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

// Best of three runs, in milliseconds.
double bestMs(const std::function<void()>& work)
{
    double best = 1e300;
    for (int run = 0; run < 3; ++run) {
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

void measure(int records)
{
    const QString text = answer(records);
    const QByteArray bytes = text.toUtf8();
    const double megabytes = bytes.size() / 1e6;
    QTemporaryDir dir;
    const StagingFolder staging(dir.path());

    const double stageMs = bestMs([&] {
        const std::optional<QString> result = ResultStager::cut(text, operation, true);
        if (!result || !staging.write(StagingFolder::exportFile, ResultStager::split(*result)))
            fail("staging failed");
    });

    static const QString tags[] = {QStringLiteral("ID"),       QStringLiteral("Anno"),
                                   QStringLiteral("Mese"),     QStringLiteral("Codfarma"),
                                   QStringLiteral("Farmacia"), QStringLiteral("NumricKey")};
    qsizetype valueChars = 0;
    const double readMs = bestMs([&] {
        valueChars = 0;
        const QStringList lines = staging.readLines(StagingFolder::exportFile);
        for (const QString& line : lines) {
            for (const QString& tag : tags) {
                if (ValueReader::hasTag(line, tag))
                    valueChars += ValueReader::LEGGI_VALORE(line, tag).size();
            }
        }
    });
    if (valueChars == 0)
        fail("reading found no values");

    const QString copyPath = dir.filePath(QStringLiteral("copy.xml"));
    const double copyMs = bestMs([&] {
        QByteArray copy = bytes;
        copy.detach();
        QFile file(copyPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(copy) != copy.size())
            fail("copy failed");
    });

    qsizetype elements = 0;
    const double xmlMs = bestMs([&] {
        elements = 0;
        QXmlStreamReader xml(text);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement)
                ++elements;
        }
        if (xml.hasError())
            fail("the answer is not well-formed");
    });

    std::printf("%8d %7.1f | %8.1f %6.1f | %8.1f %6.1f | %8.1f %8.1f | %6.2f %6.2f %6.2f"
                " | %5.2f %5.2f\n",
                records, megabytes, stageMs, megabytes / (stageMs / 1e3), readMs,
                megabytes / (readMs / 1e3), copyMs, xmlMs, stageMs / copyMs, stageMs / xmlMs,
                readMs / xmlMs, stageMs * 1e3 / records, readMs * 1e3 / records);
    std::fflush(stdout);
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
    std::printf("Staging: cut with commas replaced, split, write. Reading: read the lines,\n"
                "take 6 tags from every line. Times are the best of 3 runs.\n\n");
    std::printf(" records      MB |  staging   MB/s |  reading   MB/s |   copy+w XML pass |"
                "  stage/  stage/   read/ | us per record\n");
    std::printf("                 |       ms        |       ms        |       ms       ms |"
                "   copy     XML     XML | stage  read\n");
    for (int records : sizes)
        measure(records);
    return 0;
}
