#pragma once

#include "Progress.h"

#include <QString>
#include <QStringList>

class PharmacyGroups;
class ReportRecords;
struct NoticeHeading;
struct PharmacyGroup;

// One PDF/A notice per pharmacy in a folder, each holding only that
// pharmacy's records, each written whole or not at all; then, once every
// notice is written, the list of them with their SHA-256s (NoticeList).
class PharmacyNotices
{
public:
    struct Outcome
    {
        qsizetype written = 0; // notices
        QString failed;        // the file that could not be written
        bool stopped = false;
    };

    // "errori_<anno>_<mm|annuo>_<00005>.pdf"
    static QString fileName(const NoticeHeading& heading, const PharmacyGroup& group);
    // The files of the run that something already stands at (a file, or a
    // link even when it points nowhere): the notices and the list.
    static QStringList existing(const QString& folder, const NoticeHeading& heading,
                                const PharmacyGroups& groups);

    // Writes the groups' files in their order, then the list; stops at the
    // first file that cannot be written and when `progress` (told the records
    // done) says so, and then writes no list. A list left from an earlier run
    // goes first: it would name files this run replaces.
    static Outcome write(const QString& folder, const NoticeHeading& heading,
                         const ReportRecords& records, const PharmacyGroups& groups,
                         const Progress& progress);
};
