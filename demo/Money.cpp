#include "Money.h"

namespace Money {

QString format(qint64 cents)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? 0 - static_cast<quint64>(cents) : static_cast<quint64>(cents);
    return QStringLiteral("%1%2,%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QChar(u'0'));
}

QString formatTenths(qint64 tenths)
{
    const bool negative = tenths < 0;
    const quint64 magnitude = negative ? 0 - static_cast<quint64>(tenths) : static_cast<quint64>(tenths);
    return QStringLiteral("%1%2,%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / 10)
        .arg(magnitude % 10);
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
