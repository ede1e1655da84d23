#include "NoticeList.h"

#include "Cents.h"
#include "CsvWriter.h"
#include "NoticeHeading.h"

QString NoticeList::fileName(const NoticeHeading& heading)
{
    return QStringLiteral("elenco_%1_%2.csv").arg(heading.anno, heading.periodName);
}

QStringList NoticeList::header()
{
    return {
        QStringLiteral("CODICE FARMACIA"), QStringLiteral("FARMACIA"), QStringLiteral("ERRORI"),
        QStringLiteral("LORDO"),           QStringLiteral("FILE"),     QStringLiteral("SHA-256")};
}

bool NoticeList::write(const QString& path, const QList<Entry>& entries, QString* error)
{
    CsvWriter csv(path);
    csv.writeRow(header());
    for (const Entry& e : entries) {
        csv.writeRow({e.code, e.name, QString::number(e.count), Cents::plain(e.cents), e.file,
                      QString::fromLatin1(e.sha256.toHex())});
    }
    if (csv.commit())
        return true;
    if (error)
        *error = csv.errorText();
    return false;
}
