#include "NumberText.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <locale.h>
#include <stdlib.h>

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
    // Read in the "C" locale: a full stop, whatever locale the program runs under.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return strtod_l(digits.constData(), nullptr, cLocale);
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
