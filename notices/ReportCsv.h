#pragma once

#include "Progress.h"

#include <QList>
#include <QString>
#include <QStringList>

class ReportRecords;

// The records behind the report list's rows, in the rows' order, as a CSV
// file for a spreadsheet: semicolon-separated, UTF-8 with a byte-order mark,
// CRLF, a header row. Its columns and how each value is written are those of
// ReportFields: texts as the service sent them, the pharmacy's code as
// "00005", the year and month as "2025" and "03", amounts with a decimal
// comma and no grouping. The file replaces an earlier one only once whole.
// Rows are formatted a block at a time on two threads, and written out in
// the list's order from the calling thread, which alone tells `progress`.
class ReportCsv
{
public:
    // False when the file could not be written, an amount is not plain or does not fit (then
    // `error` gets the message, for the first such row in the list's order) or `progress`
    // stopped it (nothing is written).
    static bool write(const QString& path, const ReportRecords& records,
                      const QList<qsizetype>& positions, const Progress& progress, QString* error);

    static QStringList header();
};
