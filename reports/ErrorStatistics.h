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
    // record's value. A month outside 1 to 12 counts in the totals and the
    // other two lists but in no month.
    static ErrorStatistics read(QByteArrayView splitResult);

    // Index 0 is January.
    std::array<Figures, 12> months{};
    // By gross amount, largest first; equal amounts by code.
    QList<Pharmacy> pharmacies;
    // By number of errors, most first; equal counts by code.
    QList<ErrorCode> codes;
    Figures total;

    bool isEmpty() const { return total.errors == 0; }
    // The first month with the most errors (1 to 12), 0 when there are none.
    int busiestMonth() const;
};
