#pragma once

#include <QByteArrayView>
#include <QLocale>
#include <QString>

// Money as a whole number of cents, so that sums are exact.
class Cents
{
public:
    // An amount as the service writes it: blanks, an optional sign, digits and
    // a decimal part after a full stop or a comma. Beyond the second decimal it
    // rounds half away from zero. No number, or one of more than 13 integer
    // digits, gives 0.
    static qint64 parse(QByteArrayView text);

    // a + b, held at the ends of the range instead of wrapping.
    static qint64 add(qint64 a, qint64 b);

    // "##,##0.00" with the separators of the locale, without going through a
    // floating-point value.
    static QString text(qint64 cents, const QLocale& locale = QLocale());
    // The amount for a spreadsheet: decimal comma, no grouping ("1234,50").
    static QString plain(qint64 cents);

    // part / whole as a percentage in hundredths (2500 = 25,00 %), rounded half
    // away from zero; 0 when whole is not positive.
    static qint64 shareHundredths(qint64 part, qint64 whole);
    // A share in hundredths of a percent shown with two decimals and the
    // locale's decimal separator.
    static QString shareText(qint64 hundredths, const QLocale& locale = QLocale());
};
