#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

// Numbers as the service writes them (a full stop as decimal separator) and as
// the windows show them.
class NumberText
{
public:
    // The number at the start of the text: blanks skipped, optional sign,
    // digits with an optional decimal part. No number gives 0.
    static double leadingNumber(QStringView text);

    // Nearest whole number, halves to the even neighbour, clamped to the range.
    static qint64 roundHalfEven(double value, qint64 min, qint64 max);
    static qint32 toInt32(double value);
    static qint16 toInt16(double value);

    // "##,##0.00": grouped, at least one integer digit, two decimals, with the
    // separators of the given locale.
    static QString money(double value, const QLocale& locale = QLocale());
    // "####0": whole number, no grouping.
    static QString whole(double value);
    // "0000…": whole number padded with zeros to `digits`.
    static QString zeroPadded(double value, int digits);
    // "##": whole number, empty for 0.
    static QString wholeOrEmpty(double value);
    // "####0" for counts: whole number, halves away from zero, no grouping.
    static QString count(double value);
};
