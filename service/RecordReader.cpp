#include "RecordReader.h"

#include "ValueReader.h"

QList<QStringList> RecordReader::read(const QStringList& lines, const QStringList& tags,
                                      const QString& recordEnd)
{
    QList<QStringList> records;
    QStringList holders(tags.size());
    for (const QString& line : lines) {
        for (qsizetype t = 0; t < tags.size(); ++t) {
            if (ValueReader::hasTag(line, tags[t]))
                holders[t] = ValueReader::LEGGI_VALORE(line, tags[t]);
        }
        if (line.contains(recordEnd))
            records.append(holders);
    }
    return records;
}
