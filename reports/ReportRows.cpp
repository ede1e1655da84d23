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

// Index in RowTags of the start tag "<name>" at `at`, or -1.
int rowTagAt(QStringView line, qsizetype at)
{
    for (int t = 0; t < int(RowTags.size()); ++t) {
        const QStringView tag = RowTags[size_t(t)];
        const qsizetype close = at + 1 + tag.size();
        if (close < line.size() && line[close] == u'>' && line.sliced(at + 1, tag.size()) == tag)
            return t;
    }
    return -1;
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
            if (line.sliced(at).startsWith(u"</Errore>")) {
                endOfRecord = true;
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
