#include "Cents.h"

#include <limits>

namespace {

QString twoDecimals(qint64 whole, qint64 fraction, bool negative, const QLocale& locale,
                    bool grouped)
{
    QLocale numbers = locale;
    numbers.setNumberOptions(grouped ? QLocale::NumberOptions()
                                     : QLocale::NumberOptions(QLocale::OmitGroupSeparator));
    QString text = numbers.toString(whole);
    text += locale.decimalPoint();
    text += QChar(u'0' + int(fraction / 10));
    text += QChar(u'0' + int(fraction % 10));
    return negative ? locale.negativeSign() + text : text;
}

// The one reading of an amount, for bytes and for text alike.
template <typename Text, typename CharAt> Cents::Amount parseAmount(const Text& text, CharAt at)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (at(i) == ' ' || at(i) == '\t'))
        ++i;
    bool plain = i == 0;
    bool negative = false;
    if (i < n && (at(i) == '-' || at(i) == '+')) {
        negative = at(i) == '-';
        plain = plain && negative;
        ++i;
    }
    qint64 whole = 0;
    int digits = 0;
    bool anyWhole = false;
    while (i < n && at(i) >= '0' && at(i) <= '9') {
        anyWhole = true;
        // Leading zeros hold nothing.
        if ((whole > 0 || at(i) != '0') && ++digits > Cents::MaxIntegerDigits)
            return {0, true};
        whole = whole * 10 + (at(i) - '0');
        ++i;
    }
    int decimals = 0;
    qint64 fraction = 0;
    bool roundUp = false;
    bool separator = false;
    if (i < n && (at(i) == '.' || at(i) == ',')) {
        separator = true;
        ++i;
        while (i < n && at(i) >= '0' && at(i) <= '9') {
            if (decimals < 2)
                fraction = fraction * 10 + (at(i) - '0');
            else if (decimals == 2)
                roundUp = at(i) >= '5';
            ++decimals;
            ++i;
        }
    }
    if (!anyWhole && decimals == 0)
        return {};
    if (decimals == 1)
        fraction *= 10;
    const qint64 cents = whole * 100 + fraction + (roundUp ? 1 : 0);
    plain = plain && anyWhole && (!separator || decimals > 0) && i == n;
    return {negative ? -cents : cents, false, plain};
}

} // namespace

Cents::Amount Cents::parse(QByteArrayView text)
{
    return parseAmount(text, [&](qsizetype i) { return char16_t(uchar(text[i])); });
}

Cents::Amount Cents::parse(QStringView text)
{
    return parseAmount(text, [&](qsizetype i) { return text[i].unicode(); });
}

bool Cents::isPlain(QByteArrayView text)
{
    qsizetype i = text.startsWith('-') ? 1 : 0;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i > from;
    };
    if (!digits())
        return false;
    if (i < text.size() && (text[i] == ',' || text[i] == '.')) {
        ++i;
        if (!digits())
            return false;
    }
    return i == text.size();
}

bool Cents::add(qint64& sum, qint64 cents)
{
    qint64 result = 0;
    if (__builtin_add_overflow(sum, cents, &result))
        return false;
    sum = result;
    return true;
}

QString Cents::text(qint64 cents, const QLocale& locale)
{
    // The lowest value has no positive counterpart; no sum reaches it.
    if (cents == std::numeric_limits<qint64>::min())
        cents += 1;
    const bool negative = cents < 0;
    const qint64 magnitude = negative ? -cents : cents;
    return twoDecimals(magnitude / 100, magnitude % 100, negative, locale, true);
}

qsizetype Cents::writePlain(char* out, qint64 cents)
{
    if (cents == std::numeric_limits<qint64>::min())
        cents += 1;
    char* o = out;
    if (cents < 0) {
        *o++ = '-';
        cents = -cents;
    }
    char digits[20];
    int n = 0;
    qint64 whole = cents / 100;
    do {
        digits[n++] = char('0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    while (n > 0)
        *o++ = digits[--n];
    *o++ = ',';
    *o++ = char('0' + (cents % 100) / 10);
    *o++ = char('0' + cents % 10);
    return o - out;
}

QString Cents::plain(qint64 cents)
{
    char text[24];
    return QString::fromLatin1(text, writePlain(text, cents));
}

qint64 Cents::shareHundredths(qint64 part, qint64 whole)
{
    if (whole <= 0)
        return 0;
    // 10,000 hundredths of a percent make the whole; 128 bits hold the product.
    const __int128 scaled = __int128(part) * 10000;
    const __int128 half = whole / 2;
    const __int128 rounded = scaled >= 0 ? (scaled + half) / whole : (scaled - half) / whole;
    return qint64(rounded);
}

QString Cents::shareText(qint64 hundredths, const QLocale& locale)
{
    return text(hundredths, locale);
}

namespace {

QString inPrescription(QString text, const QString& prescription)
{
    if (!prescription.isEmpty())
        text += QStringLiteral(" NELLA RICETTA ") + prescription;
    return text;
}

} // namespace

QString Cents::tooLargeText(const QString& prescription)
{
    return inPrescription(QStringLiteral("IMPORTO TROPPO GRANDE"), prescription);
}

QString Cents::invalidText(const QString& prescription)
{
    return inPrescription(QStringLiteral("IMPORTO NON VALIDO"), prescription);
}
