#include "ValueReader.h"

#include "Blanks.h"

#include <bit>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Position of the first '<' in text[from, to), or `to`. Eight characters are
// compared at a time where the processor allows: staged lines are short, but
// values such as names and descriptions make up most of their length.
static qsizetype findLess(const char16_t* text, qsizetype from, qsizetype to)
{
    qsizetype at = from;
#ifdef __SSE2__
    const __m128i less = _mm_set1_epi16(u'<');
    const auto lessAt = [&less](const char16_t* eight) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(eight));
        return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(chars, less))); // two bits a character
    };
    for (; at + 8 <= to; at += 8) {
        if (const unsigned found = lessAt(text + at))
            return at + std::countr_zero(found) / 2;
    }
    // The last few: the eight characters ending at `to`, less those before `at`.
    if (at < to && to >= 8) {
        const unsigned found = lessAt(text + to - 8) & (~0u << ((at - (to - 8)) * 2));
        return found ? to - 8 + std::countr_zero(found) / 2 : to;
    }
#endif
    for (; at < to; ++at) {
        if (text[at] == u'<')
            return at;
    }
    return to;
}

// Position of "<tag>" (or "</tag>" when `end`) in the line at or after `from`,
// or -1. Matches only at a '<', so no tag text has to be built; readers test
// several tags on every line, so the '<' are looked for several at a time.
static qsizetype findTag(QStringView line, QStringView tag, bool end, qsizetype from)
{
    const qsizetype nameAt = end ? 2 : 1;
    const qsizetype length = nameAt + tag.size() + 1;
    const char16_t* const text = line.utf16();
    const char16_t* const name = tag.utf16();
    const size_t nameBytes = static_cast<size_t>(tag.size()) * sizeof(char16_t);
    const char16_t first = tag.isEmpty() ? u'>' : name[0];
    const qsizetype last = line.size() - length; // the last place a whole tag starts
    for (qsizetype at = from; (at = findLess(text, at, last + 1)) <= last; ++at) {
        if (text[at + nameAt] != first)
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
    return QString::fromUtf8(bytesAfter(line, tag, from));
}

QByteArrayView ValueReader::bytesAfter(QByteArrayView line, QByteArrayView tag, qsizetype from)
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
    return line.sliced(from, end - from);
}
