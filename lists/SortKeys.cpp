#include "SortKeys.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <initializer_list>

namespace {

constexpr int IntegerDigits = 20;
constexpr int Decimals = 10;
// Longest integer part taken as a number; longer ones are out of double range anyway.
constexpr int MaxIntegerDigits = 400;

// A non-negative decimal magnitude as digit texts, integer part without leading zeros.
struct Magnitude
{
    QString integer;
    QString fraction;
};

struct ParsedNumber
{
    bool negative = false;
    Magnitude magnitude;
};

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

qsizetype firstNonZeroDigit(QStringView digits)
{
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (digits[i] != u'0')
            return i;
    }
    return -1;
}

bool startsWithAny(QStringView text, std::initializer_list<QStringView> prefixes, qsizetype& length)
{
    for (QStringView p : prefixes) {
        if (!p.isEmpty() && text.startsWith(p)) {
            length = p.size();
            return true;
        }
    }
    return false;
}

// Parses an optional sign, digits with optional group separators in groups of three,
// an optional decimal separator with digits and an optional exponent.
std::optional<ParsedNumber> parseNumber(QStringView text, QStringView decimal, QStringView group,
                                        QStringView negative, QStringView positive)
{
    ParsedNumber result;
    QStringView t = text.trimmed();
    qsizetype signLength = 0;
    if (startsWithAny(t, {negative, u"-"}, signLength)) {
        result.negative = true;
        t = t.mid(signLength);
    } else if (startsWithAny(t, {positive, u"+"}, signLength)) {
        t = t.mid(signLength);
    }

    QString digits;
    qsizetype integerCount = 0;
    bool seenDecimal = false;
    bool grouped = false;
    qsizetype groupLength = 0; // digits since the last group separator
    qsizetype i = 0;
    while (i < t.size()) {
        const QChar c = t[i];
        if (isAsciiDigit(c)) {
            digits.append(c);
            if (!seenDecimal) {
                ++integerCount;
                ++groupLength;
            }
            ++i;
        } else if (!seenDecimal && !group.isEmpty() && t.mid(i).startsWith(group)) {
            // A group separator follows one to three digits (three after another
            // separator) and is followed by a digit.
            if (groupLength == 0 || groupLength > 3 || (grouped && groupLength != 3))
                return std::nullopt;
            grouped = true;
            groupLength = 0;
            i += group.size();
            if (i >= t.size() || !isAsciiDigit(t[i]))
                return std::nullopt;
        } else if (!seenDecimal && t.mid(i).startsWith(decimal)) {
            seenDecimal = true;
            i += decimal.size();
        } else {
            break;
        }
    }
    if (digits.isEmpty() || (grouped && groupLength != 3))
        return std::nullopt;

    long exponent = 0;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
            negativeExponent = t[i] == u'-';
            ++i;
        }
        const qsizetype start = i;
        while (i < t.size() && isAsciiDigit(t[i]) && i - start < 6) {
            exponent = exponent * 10 + (t[i].unicode() - u'0');
            ++i;
        }
        if (i == start)
            return std::nullopt;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != t.size())
        return std::nullopt;

    // Place the decimal point, then drop leading zeros of the integer part.
    const long point = long(integerCount) + exponent;
    const qsizetype firstNonZero = firstNonZeroDigit(digits);
    if (firstNonZero < 0) {
        result.negative = false; // zero, whatever its sign or exponent
        return result;
    }
    if (point - long(firstNonZero) > MaxIntegerDigits)
        return std::nullopt;
    if (point <= 0) {
        // Only the first Decimals + 1 fraction digits matter for the key.
        if (-point > Decimals)
            result.magnitude.fraction = QString(Decimals + 1, u'0');
        else
            result.magnitude.fraction = QString(-point, u'0') + digits;
    } else if (point >= digits.size()) {
        result.magnitude.integer = digits + QString(point - digits.size(), u'0');
    } else {
        result.magnitude.integer = digits.left(point);
        result.magnitude.fraction = digits.mid(point);
    }
    const qsizetype lead = firstNonZeroDigit(result.magnitude.integer);
    result.magnitude.integer = lead < 0 ? QString() : result.magnitude.integer.mid(lead);
    return result;
}

// Rounds the fraction to Decimals digits, half away from zero, carrying into the
// integer part.
void roundMagnitude(Magnitude& m)
{
    const bool up = m.fraction.size() > Decimals && m.fraction[Decimals] >= u'5';
    m.fraction = m.fraction.left(Decimals).leftJustified(Decimals, u'0');
    if (!up)
        return;
    for (QString* part : {&m.fraction, &m.integer}) {
        for (qsizetype k = part->size() - 1; k >= 0; --k) {
            if ((*part)[k] != u'9') {
                (*part)[k] = QChar((*part)[k].unicode() + 1);
                return;
            }
            (*part)[k] = u'0';
        }
    }
    m.integer.prepend(u'1');
}

// Up to 10^20: 20 integer digits, the separator and the decimals. From 10^20 on, "~"
// (after every digit) followed by the length of the integer part, so that larger
// numbers still sort after smaller ones.
QString magnitudeKey(const Magnitude& m, const QString& decimal)
{
    if (m.integer.size() <= IntegerDigits)
        return m.integer.rightJustified(IntegerDigits, u'0') + decimal + m.fraction;
    return QStringLiteral("~") + QString::number(m.integer.size()).rightJustified(3, u'0') +
           m.integer + decimal + m.fraction;
}

// A date and time as the number yyyyMMddHHmmss, whose order is the time order.
qint64 dateStamp(const QDate& date, const QTime& time)
{
    const qint64 day = qint64(date.year()) * 10000 + date.month() * 100 + date.day();
    return day * 1000000 + time.hour() * 10000 + time.minute() * 100 + time.second();
}

// Two-digit years fall in 1930..2029.
int fullYear(int year, qsizetype digits)
{
    if (digits != 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

// Reads 1 to maxDigits ASCII digits at i; -1 when there is none.
int readDigits(QStringView t, qsizetype& i, int maxDigits, qsizetype& count)
{
    int value = 0;
    const qsizetype start = i;
    while (i < t.size() && isAsciiDigit(t[i]) && i - start < maxDigits) {
        value = value * 10 + (t[i].unicode() - u'0');
        ++i;
    }
    count = i - start;
    return count == 0 ? -1 : value;
}

// Order of day, month and year in the locale's short date format, e.g. "dMy"; kept
// for the last locale asked, since a sort asks once per row.
QString fieldOrder(const QLocale& locale)
{
    static thread_local QLocale cachedLocale = QLocale::c();
    static thread_local QString cachedOrder;
    if (!cachedOrder.isEmpty() && locale == cachedLocale)
        return cachedOrder;
    QString order;
    for (QChar c : locale.dateFormat(QLocale::ShortFormat)) {
        if ((c == u'd' || c == u'M' || c == u'y') && !order.contains(c))
            order.append(c);
    }
    cachedLocale = locale;
    cachedOrder = order.size() == 3 ? order : QStringLiteral("dMy");
    return cachedOrder;
}

// Numeric dates: three digit groups separated by '/', '-' or '.', year first when it
// has four digits, otherwise in the locale's order or else day/month/year; then an
// optional time H:mm or H:mm:ss after blanks or 'T'.
std::optional<qint64> numericDateStamp(QStringView t, const QLocale& locale)
{
    qsizetype i = 0;
    int group[3];
    qsizetype width[3];
    QChar separator;
    for (int g = 0; g < 3; ++g) {
        if (g > 0) {
            if (i >= t.size())
                return std::nullopt;
            if (g == 1) {
                separator = t[i];
                if (separator != u'/' && separator != u'-' && separator != u'.')
                    return std::nullopt;
            } else if (t[i] != separator) {
                return std::nullopt;
            }
            ++i;
        }
        group[g] = readDigits(t, i, 4, width[g]);
        if (group[g] < 0)
            return std::nullopt;
    }

    QTime time(0, 0, 0);
    if (i < t.size()) {
        if (t[i] == u'T') {
            ++i;
        } else {
            const qsizetype start = i;
            while (i < t.size() && t[i] == u' ')
                ++i;
            if (i == start)
                return std::nullopt;
        }
        int hms[3] = {0, 0, 0};
        for (int f = 0; f < 3; ++f) {
            if (f > 0) {
                if (i >= t.size() && f == 2)
                    break;
                if (i >= t.size() || (t[i] != u':' && t[i] != u'.'))
                    return std::nullopt;
                ++i;
            }
            qsizetype n = 0;
            hms[f] = readDigits(t, i, 2, n);
            if (hms[f] < 0 || (f > 0 && n != 2))
                return std::nullopt;
        }
        if (i != t.size())
            return std::nullopt;
        time = QTime(hms[0], hms[1], hms[2]);
        if (!time.isValid())
            return std::nullopt;
    }

    const QString orders[2] = {width[0] == 4 ? QStringLiteral("yMd") : fieldOrder(locale),
                               QStringLiteral("dMy")};
    for (const QString& order : orders) {
        int y = 0, m = 0, d = 0;
        bool widthsOk = true;
        for (int g = 0; g < 3; ++g) {
            const QChar field = order[g];
            if (field == u'y') {
                widthsOk = widthsOk && (width[g] == 2 || width[g] == 4);
                y = fullYear(group[g], width[g]);
            } else {
                widthsOk = widthsOk && width[g] <= 2;
                (field == u'M' ? m : d) = group[g];
            }
        }
        if (widthsOk && y >= 1 && QDate::isValid(y, m, d))
            return dateStamp(QDate(y, m, d), time);
    }
    return std::nullopt;
}

// The locale's own short and long formats (month names, AM/PM and so on).
std::optional<qint64> localeDateStamp(QStringView t, const QLocale& locale)
{
    const QString text = t.toString();
    auto yearFixed = [](QDate date, const QString& format) {
        if (!format.contains(QStringLiteral("yyyy")) && date.year() >= 1900 && date.year() < 2000)
            date = date.addYears(fullYear(date.year() - 1900, 2) - date.year());
        return date;
    };
    for (QLocale::FormatType type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        QString format = locale.dateTimeFormat(type);
        for (int pass = 0; pass < 2; ++pass) {
            const QDateTime dt = locale.toDateTime(text, format);
            if (dt.isValid() && dt.date().year() >= 1 && dt.date().year() <= 9999)
                return dateStamp(yearFixed(dt.date(), format), dt.time());
            if (!format.endsWith(QStringLiteral(" t")))
                break;
            format.chop(2);
        }
        const QString dateFormat = locale.dateFormat(type);
        const QDate date = locale.toDate(text, dateFormat);
        if (date.isValid() && date.year() >= 1 && date.year() <= 9999)
            return dateStamp(yearFixed(date, dateFormat), QTime(0, 0, 0));
    }
    return std::nullopt;
}

} // namespace

std::optional<qint64> SortKeys::dateStamp(QStringView text, const QLocale& locale)
{
    const QStringView t = text.trimmed();
    bool hasDigit = false;
    for (QChar c : t)
        hasDigit = hasDigit || isAsciiDigit(c);
    if (!hasDigit)
        return std::nullopt;
    if (std::optional<qint64> stamp = numericDateStamp(t, locale))
        return stamp;
    return localeDateStamp(t, locale);
}

QString SortKeys::numberKey(QStringView cellText, const QLocale& locale)
{
    const QString decimal = locale.decimalPoint();
    const QString negative = locale.negativeSign();
    const QString positive = locale.positiveSign();
    std::optional<ParsedNumber> number =
        parseNumber(cellText, decimal, locale.groupSeparator(), negative, positive);
    // Numbers as the service writes them ("12.5") where the locale's rules cannot
    // read them; "1.234" stays a grouped 1234 in a locale grouping with '.'.
    if (!number && decimal != QStringLiteral("."))
        number = parseNumber(cellText, u".", QStringView(), negative, positive);
    if (!number)
        return QString();

    roundMagnitude(number->magnitude);
    const QString key = magnitudeKey(number->magnitude, decimal);
    if (!number->negative)
        return key;
    // Negatives: complemented magnitudes reverse the order; "%" (huge magnitudes)
    // sorts after "" and before "&".
    if (key.startsWith(u'~'))
        return QStringLiteral("%") + COMPLEMENTO(QStringView(key).mid(1));
    return QStringLiteral("&") + COMPLEMENTO(key);
}

QString SortKeys::dateKey(QStringView cellText, const QLocale& locale)
{
    if (cellText.trimmed().isEmpty())
        return cellText.toString();
    const std::optional<qint64> stamp = dateStamp(cellText, locale);
    return stamp ? QStringLiteral("%1").arg(*stamp, 14, 10, QChar(u'0')) : QString();
}

QString SortKeys::COMPLEMENTO(QStringView text)
{
    QString result = text.toString();
    for (QChar& c : result) {
        if (c >= u'0' && c <= u'9')
            c = QChar(u'9' - (c.unicode() - u'0'));
        else if (c == u'-')
            c = u' ';
    }
    return result;
}
