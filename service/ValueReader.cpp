#include "ValueReader.h"

#include "Blanks.h"

// Position of "<tag>" (or "</tag>" when `end`) in the line at or after `from`,
// or -1. Matches only at a '<', so no tag text has to be built.
static qsizetype findTag(QStringView line, QStringView tag, bool end, qsizetype from)
{
    const qsizetype nameAt = end ? 2 : 1;
    const qsizetype length = nameAt + tag.size() + 1;
    for (qsizetype at = line.indexOf(u'<', from); at >= 0 && at + length <= line.size();
         at = line.indexOf(u'<', at + 1)) {
        if ((!end || line[at + 1] == u'/') && line.sliced(at + nameAt, tag.size()) == tag &&
            line[at + length - 1] == u'>')
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
