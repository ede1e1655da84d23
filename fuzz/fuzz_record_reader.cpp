// Fuzzes the record reader behind the drug, patient and detail lists. The
// first line of the input names the tags and, last, the record end
// ("Atc|Gruppo|</Farmaci>"); with fewer than two names the patient list's
// tags are used. The rest is the staged answer, read as the lists read it and
// compared with a plain reading.

#include "RecordReader.h"
#include "SlowReading.h"
#include "StagingFolder.h"

#include <cstddef>
#include <cstdint>

using SlowReading::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = input.indexOf(u'\n');
    QStringList tags = (newline < 0 ? QString() : input.left(newline)).split(u'|');
    const QString staged = newline < 0 ? input : input.mid(newline + 1);
    if (tags.size() < 2)
        tags = {QStringLiteral("Atc"),         QStringLiteral("Gruppo"),
                QStringLiteral("Descrizione"), QStringLiteral("Inizio"),
                QStringLiteral("Fine"),        QStringLiteral("Confezioni"),
                QStringLiteral("Ddd"),         QStringLiteral("</Farmaci>")};
    const QString recordEnd = tags.takeLast();

    const QStringList lines = StagingFolder::splitLines(staged);
    check(lines == SlowReading::lines(staged));
    const QList<QStringList> records = RecordReader::read(lines, tags, recordEnd);
    check(records == SlowReading::records(lines, tags, recordEnd));
    for (const QStringList& record : records)
        check(record.size() == tags.size());
    return 0;
}
