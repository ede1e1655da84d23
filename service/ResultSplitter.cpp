#include "ResultSplitter.h"

#include <algorithm>
#include <cstring>

namespace {

// Whether any of the eight bytes of `word` is '<'.
bool holdsLessThan(quint64 word)
{
    const quint64 x = word ^ 0x3C3C3C3C3C3C3C3CULL;
    return ((x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL) != 0;
}

} // namespace

ResultSplitter::ResultSplitter(const QString& operation)
    : m_endMarker("</" + operation.toLatin1() + "Result")
{
}

void ResultSplitter::split(QByteArrayView slice, QByteArray& out)
{
    const char* const first = slice.data();
    const char* const last = first + slice.size();
    out.resize(slice.size() + slice.size() / 2 + 2);
    char* const outFirst = out.data();
    char* o = outFirst;
    // Elements are a few bytes long: runs without a '<' are copied eight
    // bytes at a time, the rest a byte at a time, which costs less than a
    // library search per element.
    for (const char* in = first; in < last;) {
        while (last - in >= 8) {
            quint64 word;
            std::memcpy(&word, in, 8);
            if (holdsLessThan(word))
                break;
            std::memcpy(o, &word, 8);
            o += 8;
            in += 8;
        }
        const char* const stop = std::min(in + 8, last);
        for (; in < stop; ++in) {
            if (*in == '<') {
                if (last - in >= m_endMarker.size() && in[1] == '/' &&
                    std::memcmp(in, m_endMarker.constData(), size_t(m_endMarker.size())) == 0) {
                    m_ended = true;
                    out.truncate(o - outFirst);
                    return;
                }
                if ((in > first ? in[-1] : m_previous) == '>')
                    *o++ = '\r';
            }
            *o++ = *in;
        }
    }
    if (!slice.isEmpty())
        m_previous = slice.back();
    out.truncate(o - outFirst);
}

void ResultSplitter::replaceCommas(QByteArray& bytes)
{
    char* const end = bytes.data() + bytes.size();
    for (char* comma = bytes.data();
         (comma = static_cast<char*>(std::memchr(comma, ',', size_t(end - comma))));)
        *comma++ = '.';
}
