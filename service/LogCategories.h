#pragma once

#include <QDateTime>
#include <QLoggingCategory>
#include <QString>

// The diagnostic log's categories, silent below warnings by default:
//   dpc.service  one line per service call: operation, bytes, status, duration, outcome
//   dpc.staging  what was staged or read back, its size, and write failures
// Turned on by --log FILE, QT_LOGGING_RULES or Qt's qtlogging.ini. A line never
// carries a request or answer body nor any value taken from one.
Q_DECLARE_LOGGING_CATEGORY(dpcService)
Q_DECLARE_LOGGING_CATEGORY(dpcStaging)

// The time that starts each line: local time to the millisecond, with its offset.
inline QString logTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs);
}
