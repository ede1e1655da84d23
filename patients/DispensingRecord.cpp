#include "DispensingRecord.h"

#include "RecordReader.h"
#include "ServiceCall.h"

QList<DispensingRecord> DispensingRecord::readStaged(const ServiceCall& service)
{
    const QList<QStringList> records = RecordReader::read(
        service.readLines(StagingFolder::exportFile),
        {QStringLiteral("Atc"), QStringLiteral("Gruppo"), QStringLiteral("Descrizione"),
         QStringLiteral("Inizio"), QStringLiteral("Fine"), QStringLiteral("Confezioni"),
         QStringLiteral("Ddd")},
        QStringLiteral("</Farmaci>"));
    QList<DispensingRecord> out;
    out.reserve(records.size());
    for (const QStringList& r : records)
        out.append({r[0], r[1], r[2], r[3], r[4], r[5], r[6]});
    return out;
}
