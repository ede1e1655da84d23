#include "ErrorStatistics.h"

#include "Cents.h"
#include "XmlText.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace {

enum class Field
{
    None,
    Month,
    Pharmacy,
    Name,
    Amount,
    Code,
    Description,
    Prescription
};

Field fieldOf(QByteArrayView tag)
{
    if (tag == "Mese")
        return Field::Month;
    if (tag == "Codfarma")
        return Field::Pharmacy;
    if (tag == "Farmacia")
        return Field::Name;
    if (tag == "Lordo")
        return Field::Amount;
    if (tag == "CodErrore")
        return Field::Code;
    if (tag == "DescrizioneErrore")
        return Field::Description;
    if (tag == "NumricKey")
        return Field::Prescription;
    return Field::None;
}

struct Record
{
    qint64 month = 0;
    qint64 pharmacy = 0;
    QByteArrayView name;
    Cents::Amount amount;
    QByteArrayView code;
    QByteArrayView description;
    QByteArrayView prescription;
};

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && (text[from] == ' ' || text[from] == '\t'))
        ++from;
    while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t'))
        --to;
    return text.sliced(from, to - from);
}

// The leading whole number of a value (blanks skipped); 0 when there is none.
qint64 wholeNumber(QByteArrayView value)
{
    value = trimmed(value);
    qint64 n = 0;
    for (qsizetype i = 0; i < value.size() && i < 15 && value[i] >= '0' && value[i] <= '9'; ++i)
        n = n * 10 + (value[i] - '0');
    return n;
}

bool add(ErrorStatistics::Figures& figures, qint64 cents)
{
    ++figures.errors;
    return Cents::add(figures.cents, cents);
}

// Whole-number codes in numeric order, others after them as text.
bool codeBefore(const QString& a, const QString& b)
{
    bool aNumber = false;
    bool bNumber = false;
    const qlonglong an = a.toLongLong(&aNumber);
    const qlonglong bn = b.toLongLong(&bNumber);
    if (aNumber && bNumber)
        return an < bn;
    if (aNumber != bNumber)
        return aNumber;
    return a < b;
}

} // namespace

ErrorStatistics ErrorStatistics::read(QByteArrayView splitResult)
{
    ErrorStatistics stats;
    QHash<qint64, qsizetype> pharmacyRow;
    QHash<QByteArray, qsizetype> codeRow;
    Record record;
    bool inRecord = false;

    const char* const data = splitResult.data();
    const qsizetype size = splitResult.size();
    qsizetype from = 0;
    while (from < size) {
        qsizetype end = from;
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        const QByteArrayView line(data + from, end - from);
        from = end + 1;
        if (end + 1 < size && data[end] == '\r' && data[end + 1] == '\n')
            ++from;

        // One element per line: only the line's first tag matters.
        const qsizetype open = line.indexOf('<');
        if (open < 0 || open + 1 >= line.size())
            continue;
        const qsizetype close = line.indexOf('>', open);
        if (close < 0)
            continue;
        if (line[open + 1] == '/') {
            if (line.sliced(open + 2, close - open - 2) != "Errore" || !inRecord)
                continue;
            inRecord = false;
            const qint64 cents = record.amount.cents;
            bool fits = !record.amount.tooLarge && add(stats.total, cents);
            if (record.month >= 1 && record.month <= 12)
                fits = add(stats.months[size_t(record.month - 1)], cents) && fits;
            else
                fits = add(stats.invalidMonth, cents) && fits;

            auto p = pharmacyRow.constFind(record.pharmacy);
            if (p == pharmacyRow.cend()) {
                p = pharmacyRow.insert(record.pharmacy, stats.pharmacies.size());
                stats.pharmacies.append({record.pharmacy, QString(), {}});
            }
            Pharmacy& pharmacy = stats.pharmacies[*p];
            if (pharmacy.name.isEmpty() && !record.name.isEmpty())
                pharmacy.name = XmlText::toString(record.name);
            fits = add(pharmacy.figures, cents) && fits;

            const QByteArray code = record.code.toByteArray();
            auto c = codeRow.constFind(code);
            if (c == codeRow.cend()) {
                c = codeRow.insert(code, stats.codes.size());
                stats.codes.append({XmlText::toString(code), QString(), {}});
            }
            ErrorCode& errorCode = stats.codes[*c];
            if (errorCode.description.isEmpty() && !record.description.isEmpty())
                errorCode.description = XmlText::toString(record.description);
            fits = add(errorCode.figures, cents) && fits;
            if (!fits) {
                ErrorStatistics failed;
                failed.problem = Cents::tooLargeText(
                    record.amount.tooLarge ? XmlText::toString(record.prescription) : QString());
                return failed;
            }
            continue;
        }

        const QByteArrayView tag = line.sliced(open + 1, close - open - 1);
        if (tag == "Errore") {
            record = Record();
            inRecord = true;
            continue;
        }
        if (!inRecord)
            continue;
        const Field field = fieldOf(tag);
        if (field == Field::None)
            continue;
        // The value runs to its end tag, or to the end of the line without one.
        QByteArrayView value = line.sliced(close + 1);
        const qsizetype endTag = value.indexOf("</");
        if (endTag >= 0)
            value = value.first(endTag);
        value = trimmed(value);
        switch (field) {
        case Field::Month:
            record.month = wholeNumber(value);
            break;
        case Field::Pharmacy:
            record.pharmacy = wholeNumber(value);
            break;
        case Field::Name:
            record.name = value;
            break;
        case Field::Amount:
            record.amount = Cents::parse(value);
            break;
        case Field::Code:
            record.code = value;
            break;
        case Field::Description:
            record.description = value;
            break;
        case Field::Prescription:
            record.prescription = value;
            break;
        case Field::None:
            break;
        }
    }

    std::stable_sort(stats.pharmacies.begin(), stats.pharmacies.end(),
                     [](const Pharmacy& a, const Pharmacy& b) {
                         if (a.figures.cents != b.figures.cents)
                             return a.figures.cents > b.figures.cents;
                         return a.code < b.code;
                     });
    std::stable_sort(stats.codes.begin(), stats.codes.end(),
                     [](const ErrorCode& a, const ErrorCode& b) {
                         if (a.figures.errors != b.figures.errors)
                             return a.figures.errors > b.figures.errors;
                         return codeBefore(a.code, b.code);
                     });
    return stats;
}

int ErrorStatistics::busiestMonth() const
{
    int best = 0;
    for (int m = 0; m < 12; ++m) {
        if (months[size_t(m)].errors > 0 &&
            (best == 0 || months[size_t(m)].errors > months[size_t(best - 1)].errors))
            best = m + 1;
    }
    return best;
}
