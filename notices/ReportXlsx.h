#pragma once

#include "Progress.h"

#include <QList>
#include <QString>

class ReportRecords;

// The records behind the report list's rows, in the rows' order, as a
// spreadsheet with typed cells. Sheet "Errori": a bold header row, frozen and
// filtered, then the columns of ReportFields with the values the CSV holds:
// codes and identifiers as text (the pharmacy code as 00005, the AIC with its
// leading zeros, the prescription number, the fiscal code, the error code as
// sent), the year, month and pieces as numbers (the year shown 2025, the month
// 03), the gross amount as a number shown "#,##0.00". Sheet "Totali per farmacia": code, name,
// count and gross total of each pharmacy, then the grand total. The file replaces an earlier one
// only once whole.
class ReportXlsx
{
public:
    // False when the file could not be written, an amount is not plain or
    // does not fit, a text is longer than a cell holds (then `error` gets the
    // message) or `progress` stopped it (nothing is written).
    static bool write(const QString& path, const ReportRecords& records,
                      const QList<qsizetype>& positions, const Progress& progress, QString* error);
};
