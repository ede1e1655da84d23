#include "Money.h"

namespace Demo {

namespace Money {

namespace {

// A whole number of hundredths or tenths written with a decimal comma.
QString fixedPoint(qint64 value, int decimals)
{
    const qint64 scale = decimals == 2 ? 100 : 10;
    const bool negative = value < 0;
    const quint64 magnitude =
        negative ? 0 - static_cast<quint64>(value) : static_cast<quint64>(value);
    return QStringLiteral("%1%2,%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / scale)
        .arg(magnitude % scale, decimals, 10, QChar(u'0'));
}

} // namespace

QString format(qint64 cents)
{
    return fixedPoint(cents, 2);
}

QString formatTenths(qint64 tenths)
{
    return fixedPoint(tenths, 1);
}

qint64 parseCents(const char* text)
{
    qint64 units = 0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; ++p)
        units = units * 10 + (*p - '0');
    qint64 fraction = 0;
    if (*p == ',' || *p == '.') {
        ++p;
        for (int digit = 0; digit < 2; ++digit) {
            fraction *= 10;
            if (*p >= '0' && *p <= '9')
                fraction += *p++ - '0';
        }
    }
    return units * 100 + fraction;
}

} // namespace Money

} // namespace Demo
