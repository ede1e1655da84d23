#include "Cents.h"

#include <limits>

namespace {

constexpr int MaxIntegerDigits = 13;

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

} // namespace

qint64 Cents::parse(QByteArrayView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    qint64 whole = 0;
    int digits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        if (++digits > MaxIntegerDigits)
            return 0;
        whole = whole * 10 + (text[i] - '0');
        ++i;
    }
    int decimals = 0;
    qint64 fraction = 0;
    bool roundUp = false;
    if (i < n && (text[i] == '.' || text[i] == ',')) {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            if (decimals < 2)
                fraction = fraction * 10 + (text[i] - '0');
            else if (decimals == 2)
                roundUp = text[i] >= '5';
            ++decimals;
            ++i;
        }
    }
    if (digits == 0 && decimals == 0)
        return 0;
    if (decimals == 1)
        fraction *= 10;
    const qint64 cents = whole * 100 + fraction + (roundUp ? 1 : 0);
    return negative ? -cents : cents;
}

qint64 Cents::add(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

QString Cents::text(qint64 cents, const QLocale& locale)
{
    // The lowest value has no positive counterpart; it stands for an overflow anyway.
    if (cents == std::numeric_limits<qint64>::min())
        cents += 1;
    const bool negative = cents < 0;
    const qint64 magnitude = negative ? -cents : cents;
    return twoDecimals(magnitude / 100, magnitude % 100, negative, locale, true);
}

QString Cents::plain(qint64 cents)
{
    if (cents == std::numeric_limits<qint64>::min())
        cents += 1;
    const bool negative = cents < 0;
    const qint64 magnitude = negative ? -cents : cents;
    return twoDecimals(magnitude / 100, magnitude % 100, negative, QLocale::c(), false)
        .replace(u'.', u',');
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
