#include "CsvWriter.h"

#include "ByteScan.h"
#include "XmlText.h"

#include <QDir>

#include <algorithm>
#include <cstring>

namespace {

// Bytes gathered before they go to the file.
constexpr qsizetype FlushAt = 256 * 1024;

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

CsvWriter::CsvWriter(const QString& path, QChar separator)
    : m_file(path), m_path(path), m_separator(char(separator.unicode())), m_buffer(FlushAt)
{
    Q_ASSERT(separator.unicode() < 0x80);
    for (const char c : {m_separator, '"', '\n', '\r'})
        m_special[uchar(c)] = 1;
    m_special[uchar('&')] |= 2;
}

CsvWriter::~CsvWriter()
{
    if (m_started && !m_committed)
        m_file.cancel();
}

void CsvWriter::start()
{
    m_started = true;
    m_failed = !m_file.open();
    if (!m_failed) {
        std::memcpy(reserve(3), "\xEF\xBB\xBF", 3);
        m_used += 3;
    }
}

void CsvWriter::makeRoom(qsizetype bytes)
{
    flush();
    if (bytes > qsizetype(m_buffer.size()))
        m_buffer.resize(size_t(bytes));
}

bool CsvWriter::needsFormulaGuard(QByteArrayView utf8)
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

void CsvWriter::field(QByteArrayView utf8)
{
    put(utf8, false);
}

void CsvWriter::xmlField(QByteArrayView utf8)
{
    put(utf8, true);
}

quint8 CsvWriter::specialsIn(QByteArrayView utf8) const
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

void CsvWriter::put(QByteArrayView utf8, bool references)
{
    if (!m_started)
        start();
    if (m_failed)
        return;
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
    // Most values begin with a letter or a digit: nothing to guard.
    if (const char c = utf8.isEmpty() ? 'A' : utf8[0];
        (c < '0' || c == '=' || c == '@') && needsFormulaGuard(utf8))
        *out++ = '\'';
    if (!quote) {
        copy(out, utf8.data(), utf8.size());
        out += utf8.size();
    } else {
        for (const char c : utf8) {
            *out++ = c;
            if (c == '"')
                *out++ = '"';
        }
        *out++ = '"';
    }
    m_used += out - first;
}

void CsvWriter::field(QStringView text)
{
    field(QByteArrayView(text.toUtf8()));
}

void CsvWriter::endRow()
{
    if (!m_started)
        start();
    m_firstField = true;
    if (m_failed)
        return;
    std::memcpy(reserve(2), "\r\n", 2);
    m_used += 2;
}

void CsvWriter::flush()
{
    if (!m_failed && m_used > 0)
        m_failed = m_file.device().write(m_buffer.data(), m_used) != m_used;
    m_used = 0;
}

void CsvWriter::writeRow(const QStringList& fields)
{
    for (const QString& value : fields)
        field(QStringView(value));
    endRow();
}

void CsvWriter::writeRow(std::initializer_list<QStringView> fields)
{
    for (QStringView value : fields)
        field(value);
    endRow();
}

bool CsvWriter::commit()
{
    if (m_committed)
        return true;
    if (!m_started)
        start(); // an empty file: just the byte-order mark
    flush();
    if (m_failed) {
        m_file.cancel();
        return false;
    }
    m_committed = m_file.commit();
    m_failed = !m_committed;
    return m_committed;
}

void CsvWriter::cancel()
{
    if (m_started && !m_committed)
        m_file.cancel();
    m_used = 0;
    m_failed = true;
}

QString CsvWriter::errorText() const
{
    return m_failed ? cannotWriteText(m_path) : QString();
}

QString CsvWriter::cannotWriteText(const QString& path)
{
    return QStringLiteral("IMPOSSIBILE SCRIVERE IL FILE ") + QDir::toNativeSeparators(path);
}
