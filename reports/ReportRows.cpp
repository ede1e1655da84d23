#include "ReportRows.h"

#include "NumberText.h"
#include "StagedText.h"
#include "ValueReader.h"

#include <array>
#include <cmath>

namespace {

// The tags a row is made of, in column order (MESE and CODICE are formatted).
constexpr std::array<QStringView, 6> RowTags = {u"Anno",     u"Mese",      u"Codfarma",
                                                u"Farmacia", u"NumricKey", u"ID"};

// Index in RowTags of the start tag "<name>" at `at`, or -1. The six names
// start with six different letters, so one comparison at most is made.
int rowTagAt(QStringView line, qsizetype at)
{
    if (at + 1 >= line.size())
        return -1;
    int t = -1;
    switch (line[at + 1].unicode()) {
    case u'A':
        t = 0;
        break;
    case u'M':
        t = 1;
        break;
    case u'C':
        t = 2;
        break;
    case u'F':
        t = 3;
        break;
    case u'N':
        t = 4;
        break;
    case u'I':
        t = 5;
        break;
    default:
        return -1;
    }
    const QStringView tag = RowTags[size_t(t)];
    const qsizetype close = at + 1 + tag.size();
    return close < line.size() && line[close] == u'>' && line.sliced(at + 1, tag.size()) == tag
               ? t
               : -1;
}

} // namespace

QList<QStringList> ReportRows::read(QStringView stagedText)
{
    QList<QStringList> rows;
    std::array<QString, 6> held;
    forEachStagedLine(stagedText, [&](QStringView line) {
        // Every tag is looked for on every line; the scan visits each '<' once.
        std::array<bool, 6> seen{};
        bool endOfRecord = false;
        for (qsizetype at = line.indexOf(u'<'); at >= 0; at = line.indexOf(u'<', at + 1)) {
            if (at + 1 < line.size() && line[at + 1] == u'/') {
                endOfRecord = endOfRecord || line.sliced(at).startsWith(u"</Errore>");
                continue;
            }
            const int t = rowTagAt(line, at);
            if (t >= 0 && !seen[size_t(t)]) {
                seen[size_t(t)] = true;
                held[size_t(t)] = ValueReader::LEGGI_VALORE(line, RowTags[size_t(t)]);
            }
        }
        if (endOfRecord) {
            rows.append({held[0], NumberText::wholeOrEmpty(NumberText::leadingNumber(held[1])),
                         NumberText::zeroPadded(NumberText::leadingNumber(held[2]), 5), held[3],
                         held[4], held[5]});
        }
        return true;
    });
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
