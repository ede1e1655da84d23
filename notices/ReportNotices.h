#pragma once

#include "NoticeHeading.h"

#include <QList>

#include <optional>

class CancelledErrors;
class MessageBoxes;
class QTreeWidget;
class QWidget;
class ReportRecords;

// What the REPORTS tab writes for the operator from its list: the records
// behind the rows to one file, or one notice per pharmacy into a folder,
// leaving out the errors cancelled since the list was filled. Each asks
// where, writes whole files only, shows its progress when it runs long and
// says what went wrong.
class ReportNotices
{
public:
    ReportNotices(MessageBoxes& boxes, QWidget* parent);

    // The records behind a report list's rows, in the order shown.
    static QList<qsizetype> listedPositions(const QTreeWidget* list);

    // "Esporta…": a CSV, spreadsheet or PDF file, by the type chosen; ends
    // saying how many errors went out.
    void exportFile(const QList<qsizetype>& positions, const ReportRecords& records,
                    const CancelledErrors& cancelled, const NoticeHeading& heading);
    // "Esporta per farmacia…": one PDF per pharmacy into a chosen folder,
    // and the list of them.
    void exportPerPharmacy(const QList<qsizetype>& positions, const ReportRecords& records,
                           const CancelledErrors& cancelled, const NoticeHeading& heading);

private:
    // The positions to export: the listed ones without the cancelled errors.
    // Nothing when there is nothing to export, which has then been said.
    std::optional<QList<qsizetype>> exported(const QList<qsizetype>& positions,
                                             const ReportRecords& records,
                                             const CancelledErrors& cancelled);

    qsizetype m_leftOut = 0; // cancelled errors left out of the export

    MessageBoxes& m_boxes;
    QWidget* m_parent;
};
