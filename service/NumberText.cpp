#include "NumberText.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>

double NumberText::leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    // Only the digits and one full stop are kept; from_chars then reads them
    // the same way under every locale.
    QByteArray digits;
    bool any = false;
    bool point = false;
    bool wholePart = false; // a non-zero digit before the point
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            digits.append(static_cast<char>(c));
            any = true;
            wholePart = wholePart || (!point && c != u'0');
        } else if (c == u'.' && !point) {
            digits.append('.');
            point = true;
        } else {
            break;
        }
    }
    if (!any)
        return 0.0;
    double value = 0.0;
    const char* const begin = digits.constData();
    const std::from_chars_result result =
        std::from_chars(begin, begin + digits.size(), value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        // Too many digits either way: as strtod, infinity above the range and
        // zero below it.
        value = wholePart ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

qint64 NumberText::roundHalfEven(double value, qint64 min, qint64 max)
{
    if (std::isnan(value))
        return 0;
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(previous);
    if (r <= static_cast<double>(min))
        return min;
    if (r >= static_cast<double>(max))
        return max;
    return static_cast<qint64>(r);
}

qint32 NumberText::toInt32(double value)
{
    return static_cast<qint32>(roundHalfEven(value, std::numeric_limits<qint32>::min(),
                                             std::numeric_limits<qint32>::max()));
}

qint16 NumberText::toInt16(double value)
{
    return static_cast<qint16>(roundHalfEven(value, std::numeric_limits<qint16>::min(),
                                             std::numeric_limits<qint16>::max()));
}

QString NumberText::money(double value, const QLocale& locale)
{
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(value, 'f', 2);
}

QString NumberText::whole(double value)
{
    return QString::number(roundHalfEven(value, std::numeric_limits<qint64>::min() / 2,
                                         std::numeric_limits<qint64>::max() / 2));
}

QString NumberText::zeroPadded(double value, int digits)
{
    const QString number = whole(std::fabs(value));
    const QString padded = number.rightJustified(digits, u'0');
    return value < 0 && number != u"0" ? u'-' + padded : padded;
}

QString NumberText::wholeOrEmpty(double value)
{
    const QString number = whole(value);
    return number == u"0" ? QString() : number;
}

QString NumberText::count(double value)
{
    if (std::isnan(value))
        return QStringLiteral("0");
    constexpr double limit = double(std::numeric_limits<qint64>::max() / 2);
    const double r = std::clamp(std::round(value), -limit, limit);
    return QString::number(static_cast<qint64>(r)); // -0.0 becomes 0: no "-0"
}
