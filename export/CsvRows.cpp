#include "CsvRows.h"

#include "ByteScan.h"
#include "XmlText.h"

#include <algorithm>
#include <cstring>

namespace {

// A sign, digits and at most one decimal part: what a spreadsheet reads as a
// number, never as a formula.
bool plainNumber(QByteArrayView text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    const qsizetype wholeFrom = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i == wholeFrom)
        return false;
    if (i < text.size() && (text[i] == ',' || text[i] == '.')) {
        const qsizetype fractionFrom = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        if (i == fractionFrom)
            return false;
    }
    return i == text.size();
}

// Copies a value: short ones with a few loads that may overlap, spared the
// call a library copy costs, as most values are a handful of bytes.
void copy(char* out, const char* from, qsizetype size)
{
    const auto move = [&](auto word, qsizetype at) {
        std::memcpy(&word, from + at, sizeof word);
        std::memcpy(out + at, &word, sizeof word);
    };
    if (size > 16) {
        std::memcpy(out, from, size_t(size));
    } else if (size >= 8) {
        move(quint64(), 0);
        move(quint64(), size - 8);
    } else if (size >= 4) {
        move(quint32(), 0);
        move(quint32(), size - 4);
    } else {
        for (qsizetype i = 0; i < size; ++i) // an empty view may have no data at all
            out[i] = from[i];
    }
}

} // namespace

CsvRows::CsvRows(char separator, qsizetype room)
    : m_separator(separator), m_buffer(size_t(std::max<qsizetype>(room, 4096)))
{
    Q_ASSERT(uchar(separator) < 0x80);
    for (const char c : {m_separator, '"', '\n', '\r'})
        m_special[uchar(c)] = 1;
    m_special[uchar('&')] |= 2;
    // Most values begin with a letter or a digit: nothing to guard.
    for (int c = 0; c < 256; ++c)
        m_guardable[size_t(c)] = c < '0' || c == '=' || c == '@';
}

void CsvRows::grow(qsizetype bytes)
{
    m_buffer.resize(std::max(2 * m_buffer.size(), size_t(m_used + bytes)));
}

void CsvRows::clear()
{
    m_used = 0;
    m_firstField = true;
}

void CsvRows::append(QByteArrayView bytes)
{
    if (!bytes.isEmpty()) {
        std::memcpy(reserve(bytes.size()), bytes.data(), size_t(bytes.size()));
        m_used += bytes.size();
    }
}

bool CsvRows::needsFormulaGuard(QByteArrayView utf8)
{
    if (utf8.isEmpty())
        return false;
    switch (utf8[0]) {
    case '=':
    case '@':
    case '\t':
    case '\r':
        return true;
    case '+':
    case '-':
        return !plainNumber(utf8);
    default:
        return false;
    }
}

void CsvRows::field(QByteArrayView utf8)
{
    put(utf8, false);
}

void CsvRows::xmlField(QByteArrayView utf8)
{
    put(utf8, true);
}

quint8 CsvRows::specialsIn(QByteArrayView utf8) const
{
    const char* const at = utf8.data();
    const qsizetype size = utf8.size();
    quint8 seen = 0;
#if defined(__SSE2__)
    if (size >= 16) {
        using ByteScan::equalMask;
        // Blocks of sixteen, the last one overlapping the one before.
        for (qsizetype i = 0;; i += 16) {
            const char* const block = at + std::min(i, size - 16);
            if (equalMask(block, m_separator) | equalMask(block, '"') | equalMask(block, '\n') |
                equalMask(block, '\r'))
                seen |= 1;
            if (equalMask(block, '&'))
                seen |= 2;
            if (i + 16 >= size)
                return seen;
        }
    }
#endif
    // Short values a byte at a time, two lookups at once.
    quint8 other = 0;
    qsizetype i = 0;
    for (; i + 2 <= size; i += 2) {
        seen |= m_special[uchar(at[i])];
        other |= m_special[uchar(at[i + 1])];
    }
    if (i < size)
        seen |= m_special[uchar(at[i])];
    return seen | other;
}

void CsvRows::put(QByteArrayView utf8, bool references)
{
    // One pass over the bytes says whether quotes are needed and whether
    // there are references to decode.
    const quint8 seen = specialsIn(utf8);
    if (references && (seen & 2)) {
        m_decoded.resize(0);
        XmlText::appendDecoded(m_decoded, utf8);
        put(m_decoded, false);
        return;
    }
    const bool quote = seen & 1;
    // At most: the separator, quotes, the apostrophe and every byte doubled.
    char* const first = reserve(2 * utf8.size() + 4);
    char* out = first;
    if (!m_firstField)
        *out++ = m_separator;
    m_firstField = false;
    if (quote)
        *out++ = '"';
    if (!utf8.isEmpty() && m_guardable[uchar(utf8[0])] && needsFormulaGuard(utf8))
        *out++ = '\'';
    if (!quote) {
        copy(out, utf8.data(), utf8.size());
        out += utf8.size();
    } else {
        // Runs between quotes copied whole, each quote doubled.
        const char* from = utf8.data();
        const char* const end = from + utf8.size();
        while (from < end) {
            const char* quote = ByteScan::find(from, end, '"');
            const char* const to = quote ? quote + 1 : end;
            std::memcpy(out, from, size_t(to - from));
            out += to - from;
            if (quote)
                *out++ = '"';
            from = to;
        }
        *out++ = '"';
    }
    m_used += out - first;
}

void CsvRows::field(QStringView text)
{
    field(QByteArrayView(text.toUtf8()));
}

void CsvRows::endRow()
{
    m_firstField = true;
    std::memcpy(reserve(2), "\r\n", 2);
    m_used += 2;
}

void CsvRows::writeRow(const Value* values, qsizetype count)
{
    Q_ASSERT(m_firstField);
#if defined(__SSE2__)
    const __m128i separator = _mm_set1_epi8(m_separator);
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i amp = _mm_set1_epi8('&');
    const auto loaded = [](const char* at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    // One bit for each byte of the block that a value cannot hold as it stands.
    const auto specials = [&](__m128i bytes, bool references) {
        __m128i hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(bytes, separator), _mm_cmpeq_epi8(bytes, quote)),
            _mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr)));
        if (references)
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(bytes, amp));
        return unsigned(_mm_movemask_epi8(hit));
    };
    // A usual row fits in this much; a value that would not goes the slow way.
    constexpr qsizetype RowRoom = 4096;
    char* out = reserve(RowRoom);
    // Room for a whole sixteen-byte store past a value, and the line end.
    const char* limit = m_buffer.data() + m_buffer.size() - 16 - 2;
    for (qsizetype k = 0; k < count; ++k) {
        const Value& v = values[k];
        const char* const from = v.utf8.data();
        const qsizetype size = v.utf8.size();
        const bool references = v.kind == Value::Xml;
        *out = m_separator; // the first value is written over it
        char* const start = out + (k > 0);
        if (start + size > limit)
            goto slow;
        if (v.kind == Value::Plain && v.slack && size <= 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(start), loaded(from));
        } else if (size > 0 && m_guardable[uchar(from[0])]) {
            goto slow;
        } else if (size >= 16) {
            // Copied block by block as it is looked at, the last block
            // overlapping the one before.
            for (qsizetype at = 0;; at += 16) {
                if (at > size - 16)
                    at = size - 16;
                const __m128i bytes = loaded(from + at);
                if (specials(bytes, references))
                    goto slow;
                _mm_storeu_si128(reinterpret_cast<__m128i*>(start + at), bytes);
                if (at + 16 >= size)
                    break;
            }
        } else if (size > 0) {
            if (!v.slack)
                goto slow;
            const __m128i bytes = loaded(from);
            if (specials(bytes, references) & ((1u << size) - 1))
                goto slow;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(start), bytes);
        }
        out = start + size;
        continue;
    slow:
        // As field() writes it; the room is taken anew after it.
        m_used = out - m_buffer.data();
        m_firstField = k == 0;
        put(v.utf8, references);
        out = reserve(RowRoom);
        limit = m_buffer.data() + m_buffer.size() - 16 - 2;
    }
    std::memcpy(out, "\r\n", 2);
    m_used = out + 2 - m_buffer.data();
#else
    for (qsizetype k = 0; k < count; ++k)
        put(values[k].utf8, values[k].kind == Value::Xml);
    endRow();
#endif
    m_firstField = true;
}

void CsvRows::writeRow(const QStringList& fields)
{
    for (const QString& value : fields)
        field(QStringView(value));
    endRow();
}

void CsvRows::writeRow(std::initializer_list<QStringView> fields)
{
    for (QStringView value : fields)
        field(value);
    endRow();
}
