#include "NoticeHeading.h"

#include <QRegularExpression>

QString NoticeHeading::dateTimeText(const QDateTime& at, const QLocale& locale)
{
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    QString format = locale.dateFormat(QLocale::ShortFormat);
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return locale.toString(at, format + u' ' + locale.timeFormat(QLocale::ShortFormat));
}
