#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>

// The year's registered errors counted and summed three ways: by month, by
// pharmacy and by error code. Amounts are gross amounts in cents.
class ErrorStatistics
{
public:
    struct Figures
    {
        qint64 errors = 0;
        qint64 cents = 0;
        bool operator==(const Figures&) const = default;
    };
    struct Pharmacy
    {
        qint64 code = 0;
        QString name;
        Figures figures;
    };
    struct ErrorCode
    {
        QString code;
        QString description;
        Figures figures;
    };

    // Reads the records of an F_LoadErroreByAnnoMese result split one element
    // per line (lines end at CR, CR LF or LF). Each <Errore> record stands on
    // its own: an element it lacks counts as empty, never as the previous
    // record's value. Names and descriptions are decoded as the service sent
    // them. A month outside 1 to 12 counts in invalidMonth. An amount or a
    // sum that does not fit leaves the figures empty and sets `problem` to
    // the message for the operator.
    static ErrorStatistics read(QByteArrayView splitResult);

    // Index 0 is January.
    std::array<Figures, 12> months{};
    // Records whose month is not one of the year: a row of their own, so
    // that the months add up to the total.
    Figures invalidMonth;
    // By gross amount, largest first; equal amounts by code.
    QList<Pharmacy> pharmacies;
    // By number of errors, most first; equal counts by code.
    QList<ErrorCode> codes;
    Figures total;
    QString problem;

    bool isEmpty() const { return total.errors == 0; }
    // The first month with the most errors (1 to 12), 0 when there are none.
    int busiestMonth() const;
};
