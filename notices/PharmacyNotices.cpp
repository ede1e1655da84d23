#include "PharmacyNotices.h"

#include "NoticeHeading.h"
#include "NoticePdf.h"
#include "PharmacyGroups.h"

#include <QDir>
#include <QFileInfo>

QString PharmacyNotices::fileName(const NoticeHeading& heading, const PharmacyGroup& group)
{
    return QStringLiteral("errori_%1_%2_%3.pdf").arg(heading.anno, heading.periodName, group.code);
}

QStringList PharmacyNotices::existing(const QString& folder, const NoticeHeading& heading,
                                      const PharmacyGroups& groups)
{
    QStringList found;
    const QDir dir(folder);
    for (const PharmacyGroup& group : groups.groups()) {
        const QString path = dir.filePath(fileName(heading, group));
        if (QFileInfo::exists(path))
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
    NoticePdf pdf;
    qsizetype before = 0;
    for (const PharmacyGroup& group : groups.groups()) {
        bool stopped = false;
        const Progress within = [&](qsizetype done) {
            stopped = progress && !progress(before + done);
            return !stopped;
        };
        const QString path = dir.filePath(fileName(heading, group));
        if (!pdf.writePharmacy(path, heading, records, group, within, nullptr)) {
            if (stopped)
                outcome.stopped = true;
            else
                outcome.failed = path;
            return outcome;
        }
        ++outcome.written;
        before += group.positions.size();
        if (progress && !progress(before)) {
            outcome.stopped = outcome.written < groups.groups().size();
            if (outcome.stopped)
                return outcome;
        }
    }
    return outcome;
}
