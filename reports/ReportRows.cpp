#include "ReportRows.h"

#include "NumberText.h"
#include "ValueReader.h"

#include <array>
#include <cmath>
#include <cstring>

namespace {

// The tags a row is made of, in column order (MESE and CODICE are formatted).
// Their names start with six different letters.
constexpr std::array<QByteArrayView, 6> RowTags = {"Anno",     "Mese",      "Codfarma",
                                                   "Farmacia", "NumricKey", "ID"};

int tagIndexByLetter(char c)
{
    switch (c) {
    case 'A':
        return 0;
    case 'M':
        return 1;
    case 'C':
        return 2;
    case 'F':
        return 3;
    case 'N':
        return 4;
    case 'I':
        return 5;
    default:
        return -1;
    }
}

qsizetype indexOf(QByteArrayView line, char c, qsizetype from)
{
    if (from >= line.size())
        return -1;
    const void* hit = std::memchr(line.data() + from, c, size_t(line.size() - from));
    return hit ? static_cast<const char*>(hit) - line.data() : -1;
}

// The value of a plain run of one to nine digits; -1 for anything else.
int plainDigits(QByteArrayView value)
{
    if (value.isEmpty() || value.size() > 9)
        return -1;
    int n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// "##" and "00000" of the usual plain codes read straight from the bytes,
// without the general number reading; anything else goes through it.
QString monthCell(QByteArrayView value)
{
    const int n = plainDigits(value);
    if (n < 0)
        return NumberText::wholeOrEmpty(NumberText::leadingNumber(QString::fromUtf8(value)));
    return n == 0 ? QString() : QString::number(n);
}

QString codeCell(QByteArrayView value)
{
    const int n = plainDigits(value);
    if (n < 0)
        return NumberText::zeroPadded(NumberText::leadingNumber(QString::fromUtf8(value)), 5);
    return QString::number(n).rightJustified(5, u'0');
}

} // namespace

QList<QStringList> ReportRows::read(QByteArrayView stagedUtf8, std::vector<qsizetype>* recordEnds)
{
    static constexpr QByteArrayView recordEnd = "</Errore>";
    QList<QStringList> rows;
    // The values of the record so far; MESE and CODICE as bytes, since their
    // cells are made from them.
    std::array<QString, 6> held;
    QByteArrayView month;
    QByteArrayView code;
    qsizetype from = 0;
    const qsizetype size = stagedUtf8.size();
    while (from < size) {
        // Lines end at CR or CR LF; a lone LF belongs to its line.
        const qsizetype cr = indexOf(stagedUtf8, '\r', from);
        const QByteArrayView line =
            cr < 0 ? stagedUtf8.sliced(from) : stagedUtf8.sliced(from, cr - from);
        std::array<bool, 6> seen{};
        bool endOfRecord = false;
        for (qsizetype at = indexOf(line, '<', 0); at >= 0 && at + 1 < line.size();
             at = indexOf(line, '<', at + 1)) {
            if (line[at + 1] == '/') {
                endOfRecord = endOfRecord || line.sliced(at).startsWith(recordEnd);
                continue;
            }
            const int t = tagIndexByLetter(line[at + 1]);
            if (t < 0 || seen[size_t(t)])
                continue;
            const QByteArrayView tag = RowTags[size_t(t)];
            const qsizetype close = at + 1 + tag.size();
            if (close < line.size() && line[close] == '>' &&
                line.sliced(at + 1, tag.size()) == tag) {
                seen[size_t(t)] = true;
                if (t == 1)
                    month = ValueReader::bytesAfter(line, tag, close + 1);
                else if (t == 2)
                    code = ValueReader::bytesAfter(line, tag, close + 1);
                else
                    held[size_t(t)] = ValueReader::valueAfter(line, tag, close + 1);
            }
        }
        if (endOfRecord)
            rows.append({held[0], monthCell(month), codeCell(code), held[3], held[4], held[5]});
        from = cr < 0 ? size : cr + 1;
        if (from < size && stagedUtf8[from] == '\n')
            ++from;
        if (endOfRecord && recordEnds)
            recordEnds->push_back(from);
        if (cr < 0)
            break;
    }
    return rows;
}

qint32 ReportRows::pharmacyCode(QStringView codeField)
{
    QString digits;
    digits.reserve(codeField.size());
    for (QChar c : codeField) {
        if (c != u' ')
            digits.append(c);
    }
    // Only the whole part counts: "12,5" and "12.5" both ask for pharmacy 12.
    return NumberText::toInt32(std::trunc(NumberText::leadingNumber(digits)));
}
