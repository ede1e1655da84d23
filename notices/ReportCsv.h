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
class ReportCsv
{
public:
    // False when the file could not be written, an amount is not plain or does not fit (then
    // `error` gets the message) or `progress` stopped it (nothing is written).
    static bool write(const QString& path, const ReportRecords& records,
                      const QList<qsizetype>& positions, const Progress& progress, QString* error);

    static QStringList header();
};
