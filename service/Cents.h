#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QString>
#include <QStringView>

// Money as a whole number of cents, so that sums are exact. Every amount that
// leaves the program (an export, a PDF total, the statistics) is read by
// parse() and added by add(), so that all of them agree to the cent.
class Cents
{
public:
    // More integer digits than this do not fit: a spreadsheet holds the amount
    // to the cent only up to 15 significant digits.
    static constexpr int MaxIntegerDigits = 13;

    struct Amount
    {
        qint64 cents = 0;
        bool tooLarge = false; // then cents is 0 and must not be used
        bool plain = false;    // plain (isPlain) and read to its end; false when too large
    };

    // An amount as the service writes it: blanks, an optional sign, digits and
    // a decimal part after a full stop or a comma; what follows is ignored.
    // Beyond the second decimal it rounds half away from zero. No number (an
    // empty value included) is 0; more than MaxIntegerDigits integer digits is
    // too large.
    static Amount parse(QByteArrayView text);
    static Amount parse(QStringView text);

    // Whether an amount is written plainly: an optional minus sign, digits
    // and at most one decimal separator (a comma or a full stop) followed by
    // digits. Anything else (an empty amount, a thousands separator, letters)
    // cannot be charged.
    static bool isPlain(QByteArrayView text);

    // sum += cents; false, with sum unchanged, when the result would not fit.
    [[nodiscard]] static bool add(qint64& sum, qint64 cents);

    // "##,##0.00" with the separators of the locale, without going through a
    // floating-point value.
    static QString text(qint64 cents, const QLocale& locale = QLocale());
    // The amount for a CSV file: decimal comma, no grouping ("1234,50").
    static QString plain(qint64 cents);
    // The same into `out`, which has room for 24 bytes; its length.
    static qsizetype writePlain(char* out, qint64 cents);
    // The amount as a spreadsheet number; exact to the cent within MaxIntegerDigits.
    static double euros(qint64 cents) { return double(cents) / 100.0; }

    // part / whole as a percentage in hundredths (2500 = 25,00 %), rounded half
    // away from zero; 0 when whole is not positive.
    static qint64 shareHundredths(qint64 part, qint64 whole);
    // A share in hundredths of a percent shown with two decimals and the
    // locale's decimal separator.
    static QString shareText(qint64 hundredths, const QLocale& locale = QLocale());

    // The message for an amount that does not fit, naming the prescription
    // it belongs to when there is one.
    static QString tooLargeText(const QString& prescription);
    // The same for an amount that is not plain.
    static QString invalidText(const QString& prescription);
};
