#include "ValueReader.h"

#include "Blanks.h"

#include <cstring>

// Position of "<tag>" (or "</tag>" when `end`) in the line at or after `from`,
// or -1. Matches only at a '<', so no tag text has to be built; a plain loop,
// as staged lines are short and readers test several tags on every one.
static qsizetype findTag(QStringView line, QStringView tag, bool end, qsizetype from)
{
    const qsizetype nameAt = end ? 2 : 1;
    const qsizetype length = nameAt + tag.size() + 1;
    const char16_t* const text = line.utf16();
    const char16_t* const name = tag.utf16();
    const size_t nameBytes = static_cast<size_t>(tag.size()) * sizeof(char16_t);
    const char16_t first = tag.isEmpty() ? u'>' : name[0];
    for (qsizetype at = from; at + length <= line.size(); ++at) {
        if (text[at] != u'<' || text[at + nameAt] != first)
            continue;
        if ((!end || text[at + 1] == u'/') && text[at + length - 1] == u'>' &&
            (nameBytes == 0 || std::memcmp(text + at + nameAt, name, nameBytes) == 0))
            return at;
    }
    return -1;
}

bool ValueReader::hasTag(QStringView line, QStringView tag)
{
    return findTag(line, tag, false, 0) >= 0;
}

QString ValueReader::LEGGI_VALORE(QStringView line, QStringView tag)
{
    const qsizetype a = findTag(line, tag, false, 0);
    if (a < 0)
        return {};
    const qsizetype from = a + tag.size() + 2;
    const qsizetype b = findTag(line, tag, true, from);
    return Blanks::trim(b < 0 ? line.sliced(from) : line.sliced(from, b - from));
}

QString ValueReader::valueAfter(QByteArrayView line, QByteArrayView tag, qsizetype from)
{
    qsizetype end = line.size();
    for (qsizetype at = line.indexOf('<', from); at >= 0; at = line.indexOf('<', at + 1)) {
        const qsizetype close = at + 2 + tag.size();
        if (close < line.size() && line[at + 1] == '/' && line[close] == '>' &&
            line.sliced(at + 2, tag.size()) == tag) {
            end = at;
            break;
        }
    }
    while (from < end && line[from] == ' ')
        ++from;
    while (end > from && line[end - 1] == ' ')
        --end;
    return QString::fromUtf8(line.sliced(from, end - from));
}
