#pragma once

#include "Progress.h"

#include <QString>
#include <QStringList>

class PharmacyGroups;
class ReportRecords;
struct NoticeHeading;
struct PharmacyGroup;

// One PDF notice per pharmacy in a folder, each holding only that pharmacy's
// records, each written whole or not at all.
class PharmacyNotices
{
public:
    struct Outcome
    {
        qsizetype written = 0;
        QString failed; // the file that could not be written
        bool stopped = false;
    };

    // "errori_<anno>_<mm|annuo>_<00005>.pdf"
    static QString fileName(const NoticeHeading& heading, const PharmacyGroup& group);
    // The groups' files that are already in the folder.
    static QStringList existing(const QString& folder, const NoticeHeading& heading,
                                const PharmacyGroups& groups);

    // Writes the groups' files in their order; stops at the first that cannot
    // be written and when `progress` (told the records done) says so.
    static Outcome write(const QString& folder, const NoticeHeading& heading,
                         const ReportRecords& records, const PharmacyGroups& groups,
                         const Progress& progress);
};
