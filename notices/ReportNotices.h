#pragma once

#include "NoticeHeading.h"

#include <QList>

class MessageBoxes;
class QTreeWidget;
class QWidget;
class ReportRecords;

// What the REPORTS tab writes for the operator from its list: the records
// behind the rows to one file, or one notice per pharmacy into a folder. Each
// asks where, writes whole files only, shows its progress when it runs long
// and says what went wrong.
class ReportNotices
{
public:
    ReportNotices(MessageBoxes& boxes, QWidget* parent);

    // The records behind a report list's rows, in the order shown.
    static QList<qsizetype> listedPositions(const QTreeWidget* list);

    // "Esporta…": a CSV, spreadsheet or PDF file, by the type chosen.
    void exportFile(const QList<qsizetype>& positions, const ReportRecords& records,
                    const NoticeHeading& heading);
    // "Esporta per farmacia…": one PDF per pharmacy into a chosen folder.
    void exportPerPharmacy(const QList<qsizetype>& positions, const ReportRecords& records,
                           const NoticeHeading& heading);

private:
    bool canExport(const QList<qsizetype>& positions, const ReportRecords& records);

    MessageBoxes& m_boxes;
    QWidget* m_parent;
};
