#pragma once

#include <QtGlobal>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Searches of short runs of bytes, such as the values of a staged answer:
// sixteen bytes at a time where the processor can, without the cost of a
// library call on every few bytes.
namespace ByteScan {

#if defined(__SSE2__)
// One bit for each of the sixteen bytes from `at` that equals `c`.
inline unsigned equalMask(const char* at, char c)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
}
#endif

// The first `c` in [from, end), or nullptr.
inline const char* find(const char* from, const char* end, char c)
{
#if defined(__SSE2__)
    for (; end - from >= 16; from += 16) {
        if (const unsigned mask = equalMask(from, c))
            return from + __builtin_ctz(mask);
    }
#endif
    for (; from < end; ++from) {
        if (*from == c)
            return from;
    }
    return nullptr;
}

// The first of `a`, `b` or `c` in [from, end), or `end`.
inline const char* findAny(const char* from, const char* end, char a, char b, char c)
{
#if defined(__SSE2__)
    for (; end - from >= 16; from += 16) {
        if (const unsigned mask = equalMask(from, a) | equalMask(from, b) | equalMask(from, c))
            return from + __builtin_ctz(mask);
    }
#endif
    for (; from < end; ++from) {
        if (*from == a || *from == b || *from == c)
            return from;
    }
    return end;
}

// Whether `size` bytes at `a` and at `b` are the same: words compared in
// place, the last one overlapping the one before, never reading past either.
inline bool equal(const char* a, const char* b, qsizetype size)
{
    const auto same = [&](auto word, qsizetype at) {
        decltype(word) other;
        std::memcpy(&word, a + at, sizeof word);
        std::memcpy(&other, b + at, sizeof other);
        return word == other;
    };
    if (size >= 8) {
        for (qsizetype at = 0; at + 8 < size; at += 8) {
            if (!same(quint64(), at))
                return false;
        }
        return same(quint64(), size - 8);
    }
    if (size >= 4)
        return same(quint32(), 0) && same(quint32(), size - 4);
    if (size >= 2)
        return same(quint16(), 0) && same(quint16(), size - 2);
    return size == 0 || *a == *b;
}

// Whether [at, end) begins with the `size` bytes of `pattern`, which is
// followed by sixteen more bytes that may be read: compared sixteen bytes at
// a time where the run is long enough.
inline bool startsWith(const char* at, const char* end, const char* pattern, qsizetype size)
{
    if (end - at < size)
        return false;
#if defined(__SSE2__)
    const auto differ = [&](qsizetype from) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + from));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern + from));
        return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b))) ^ 0xFFFFu;
    };
    if (size >= 16) {
        // The first block and the last, which may overlap it, then any between.
        if (differ(0) || differ(size - 16))
            return false;
        for (qsizetype i = 16; i < size - 16; i += 16) {
            if (differ(i))
                return false;
        }
        return true;
    }
    if (end - at >= 16)
        return !(differ(0) & ((1u << size) - 1));
#endif
    return equal(at, pattern, size);
}

} // namespace ByteScan
