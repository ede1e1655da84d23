#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

// What a list cell shows, read as a number or a date for sorting.
class SortKeys
{
public:
    // Key whose ordinal order is the numeric order: "" for a non-number.
    static QString numberKey(QStringView cellText, const QLocale& locale);

    // Key whose ordinal order is the time order: "yyyyMMddHHmmss" for a date or
    // date-time, the text itself when blank, "" when not a date.
    static QString dateKey(QStringView cellText, const QLocale& locale);

    // The date or date-time a cell shows as the number yyyyMMddHHmmss, if any.
    static std::optional<qint64> dateStamp(QStringView cellText, const QLocale& locale);

    // Each digit d becomes 9 - d, '-' becomes a blank, other characters stay.
    static QString COMPLEMENTO(QStringView text);
};
