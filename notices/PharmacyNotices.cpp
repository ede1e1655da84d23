#include "PharmacyNotices.h"

#include "NoticeHeading.h"
#include "NoticeList.h"
#include "NoticePdf.h"
#include "PharmacyGroups.h"
#include "ReplacedFile.h"

#include <QDir>
#include <QFile>

QString PharmacyNotices::fileName(const NoticeHeading& heading, const PharmacyGroup& group)
{
    return QStringLiteral("errori_%1_%2_%3.pdf").arg(heading.anno, heading.periodName, group.code);
}

QStringList PharmacyNotices::existing(const QString& folder, const NoticeHeading& heading,
                                      const PharmacyGroups& groups)
{
    QStringList found;
    const QDir dir(folder);
    QStringList names;
    for (const PharmacyGroup& group : groups.groups())
        names << fileName(heading, group);
    names << NoticeList::fileName(heading);
    for (const QString& name : std::as_const(names)) {
        const QString path = dir.filePath(name);
        if (ReplacedFile::taken(path))
            found << path;
    }
    return found;
}

PharmacyNotices::Outcome PharmacyNotices::write(const QString& folder, const NoticeHeading& heading,
                                                const ReportRecords& records,
                                                const PharmacyGroups& groups,
                                                const Progress& progress)
{
    Outcome outcome;
    const QDir dir(folder);
    const QString listPath = dir.filePath(NoticeList::fileName(heading));
    if (ReplacedFile::taken(listPath))
        QFile::remove(listPath); // a link goes, never what it points to
    NoticePdf pdf;
    QList<NoticeList::Entry> written;
    qsizetype before = 0;
    for (const PharmacyGroup& group : groups.groups()) {
        bool stopped = false;
        const Progress within = [&](qsizetype done) {
            stopped = progress && !progress(before + done);
            return !stopped;
        };
        const QString name = fileName(heading, group);
        const QString path = dir.filePath(name);
        QByteArray sha256;
        if (!pdf.writePharmacy(path, heading, records, group, within, nullptr, &sha256)) {
            if (stopped)
                outcome.stopped = true;
            else
                outcome.failed = path;
            return outcome;
        }
        ++outcome.written;
        written.append({group.code, group.name, group.positions.size(), group.cents, name, sha256});
        before += group.positions.size();
        if (progress && !progress(before)) {
            outcome.stopped = outcome.written < groups.groups().size();
            if (outcome.stopped)
                return outcome;
        }
    }
    if (!NoticeList::write(listPath, written, nullptr))
        outcome.failed = listPath;
    return outcome;
}
