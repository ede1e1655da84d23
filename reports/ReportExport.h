#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class ReportRecords;

// What the report was asked for, printed at the head of the PDF.
struct ReportHeading
{
    QString asp;
    QString operatore;
    QString anno;
    QString mese;     // the month's name, or "Annuo"
    QString farmacia; // code and name, or "Tutte le Farmacie"
    QDateTime exportedAt;
};

// Writes the records behind the report list's rows, in the rows' order, to
// a file that replaces the earlier one only once it is whole. Rows whose ID
// matches no record are left out. On failure `error` gets the one message
// for the operator, naming the file.
class ReportExport
{
public:
    // Semicolon-separated, UTF-8 with a byte-order mark, CRLF, a header row;
    // amounts with a decimal comma and no thousands separator.
    static bool writeCsv(const QString& path, const ReportRecords& records, const QStringList& ids,
                         QString* error);
    // A4 landscape: the heading, the records grouped by pharmacy (groups in
    // the order their first row appears) with each group's count and gross
    // total, the grand total, page numbers.
    static bool writePdf(const QString& path, const ReportHeading& heading,
                         const ReportRecords& records, const QStringList& ids, QString* error);

    static QStringList csvHeader();
};
