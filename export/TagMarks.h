#pragma once

#include "ByteScan.h"

#include <QtGlobal>

#include <cstring>

// Where the '<' and the '>' of a short run of bytes lie, one bit a byte,
// found sixteen bytes at a time: a reader of markup then steps from tag to
// tag without a search between them. A '<' that a '/' follows (an end tag)
// is told apart from the others. For runs of up to MaxBytes, and only where
// the processor can compare sixteen bytes at once.
class TagMarks
{
public:
    static constexpr qsizetype MaxBytes = 4096;

    // False when the run is too long or the processor cannot: then the
    // reader looks at the bytes itself.
    bool mark(const char* begin, qsizetype size)
    {
#if defined(__SSE2__)
        if (size > MaxBytes)
            return false;
        m_words = (size + 63) / 64;
        for (qsizetype w = 0; w < m_words; ++w) {
            const char* chunk = begin + w * 64;
            char tail[64];
            if (const qsizetype left = size - w * 64; left < 64) {
                std::memcpy(tail, chunk, size_t(left));
                std::memset(tail + left, 0, size_t(64 - left));
                chunk = tail;
            }
            const quint64 open = marked(chunk, '<');
            // '<' and '>' differ in one bit only: both are '>' with that bit set.
            const quint64 angle = marked(chunk, '>', 2);
            const quint64 slash = marked(chunk, '/');
            m_open[w] = open;
            m_angle[w] = angle;
            m_start[w] = open & ~(slash >> 1);
            // The last '<' of the word before is an end tag's when this word begins with '/'.
            if (w > 0)
                m_start[w - 1] &= ~(slash << 63);
        }
        return true;
#else
        Q_UNUSED(begin);
        Q_UNUSED(size);
        return false;
#endif
    }

    // The first '<' at or after `from`, or -1.
    qsizetype nextOpen(qsizetype from) const
    {
        return next(m_open, from);
    }
    // The first '<' at or after `from` that no '/' follows, or -1.
    qsizetype nextStart(qsizetype from) const
    {
        return next(m_start, from);
    }
    // The first '<' or '>' at or after `from`, or -1.
    qsizetype nextAngle(qsizetype from) const
    {
        return next(m_angle, from);
    }

private:
#if defined(__SSE2__)
    // One bit for each of the 64 bytes from `at` that equals `c` once `bits` are set in it.
    static quint64 marked(const char* at, char c, char bits = 0)
    {
        const __m128i wanted = _mm_set1_epi8(c);
        const __m128i set = _mm_set1_epi8(bits);
        const auto block = [&](int k) {
            const __m128i bytes =
                _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * k)), set);
            return quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted))));
        };
        return block(0) | block(1) << 16 | block(2) << 32 | block(3) << 48;
    }
#endif

    qsizetype next(const quint64* bits, qsizetype from) const
    {
        qsizetype w = from >> 6;
        if (w >= m_words)
            return -1;
        quint64 word = bits[w] & (~quint64(0) << (from & 63));
        while (!word) {
            if (++w >= m_words)
                return -1;
            word = bits[w];
        }
        return (w << 6) + __builtin_ctzll(word);
    }

    quint64 m_open[MaxBytes / 64];
    quint64 m_angle[MaxBytes / 64];
    quint64 m_start[MaxBytes / 64];
    qsizetype m_words = 0;
};
