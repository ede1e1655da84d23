#pragma once

#include "CsvRows.h"
#include "RecordLayout.h"
#include "ReportFields.h"
#include "ReportRecords.h"

#include <QList>
#include <QString>

#include <vector>

// The CSV rows of a run of the report list's rows, formatted apart (on
// either of two threads, never both at once) to be written out in the list's
// order. A block keeps what formatting them needs between runs: the rows'
// room, the shape of the record it read last, room for values written
// otherwise than sent. Each row is written as ReportCsv describes.
class ReportCsvBlock
{
public:
    enum class Outcome
    {
        Formatted,
        Refused,   // an amount is refused: the rows stop before it
        Misplaced, // the places given for the records' ends do not hold
    };

    ReportCsvBlock();

    // The rows of the records at positions[from, to), in that order;
    // positions that hold no record are passed over. Touches only this block
    // and what it reads (ReportRecords::read()).
    Outcome format(const ReportRecords& records, const QList<qsizetype>& positions, qsizetype from,
                   qsizetype to);

    const CsvRows& rows() const { return m_rows; }
    // Why the amount was refused, naming its prescription.
    const QString& refusal() const { return m_refusal; }

private:
    bool add(quintptr bytesEnd);

    CsvRows m_rows;
    RecordLayout m_layout;
    ReportRecords::Fields m_fields;
    // Each column's value, handed to the rows a whole row at a time, and
    // room for the bytes it is written as when they are not the value as sent.
    std::vector<CsvRows::Value> m_row;
    std::vector<ReportFields::Scratch> m_scratch;
    char m_amount[40];
    QString m_refusal;
};
