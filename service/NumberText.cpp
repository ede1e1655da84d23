#include "NumberText.h"

#include <cfenv>
#include <charconv>
#include <cmath>

double NumberText::leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QByteArray digits;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        digits.append(static_cast<char>(text[i++].unicode()));
    bool any = false;
    bool point = false;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            digits.append(static_cast<char>(c));
            any = true;
        } else if (c == u'.' && !point) {
            digits.append('.');
            point = true;
        } else {
            break;
        }
    }
    if (!any)
        return 0.0;
    // from_chars always reads a point as the decimal separator, whatever the
    // C library's numeric locale (strtod would follow it and stop at the point
    // on an Italian workstation).
    const char* begin = digits.constData();
    if (*begin == '+')
        ++begin;
    double value = 0.0;
    const auto [end, error] = std::from_chars(begin, digits.constData() + digits.size(), value);
    if (error == std::errc::result_out_of_range)
        return digits.startsWith('-') ? -HUGE_VAL : HUGE_VAL;
    return error == std::errc() ? value : 0.0;
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
