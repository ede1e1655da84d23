#include "CsvWriter.h"

#include <QDir>

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

} // namespace

CsvWriter::CsvWriter(const QString& path, QChar separator)
    : m_file(path), m_path(path), m_separator(char(separator.unicode()))
{
    Q_ASSERT(separator.unicode() < 0x80);
    m_buffer.reserve(FlushAt + 64 * 1024);
}

CsvWriter::~CsvWriter()
{
    if (m_started && !m_committed)
        m_file.cancelWriting();
}

void CsvWriter::start()
{
    m_started = true;
    m_failed = !m_file.open(QIODevice::WriteOnly);
    if (!m_failed)
        m_buffer += "\xEF\xBB\xBF";
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
    if (!m_started)
        start();
    if (m_failed)
        return;
    if (!m_firstField)
        m_buffer += m_separator;
    m_firstField = false;

    const char separator = m_separator;
    bool quote = false;
    for (const char c : utf8) {
        if (c == separator || c == '"' || c == '\n' || c == '\r') {
            quote = true;
            break;
        }
    }
    const bool guard = needsFormulaGuard(utf8);
    if (!quote) {
        if (guard)
            m_buffer += '\'';
        m_buffer += utf8;
        return;
    }
    m_buffer += '"';
    if (guard)
        m_buffer += '\'';
    qsizetype from = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '"') {
            m_buffer += utf8.sliced(from, i - from + 1);
            m_buffer += '"';
            from = i + 1;
        }
    }
    m_buffer += utf8.sliced(from);
    m_buffer += '"';
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
    m_buffer += "\r\n";
    if (m_buffer.size() >= FlushAt)
        flush();
}

void CsvWriter::flush()
{
    if (!m_failed && !m_buffer.isEmpty())
        m_failed = m_file.write(m_buffer) != m_buffer.size();
    m_buffer.resize(0);
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
        m_file.cancelWriting();
        return false;
    }
    m_committed = m_file.commit();
    m_failed = !m_committed;
    return m_committed;
}

void CsvWriter::cancel()
{
    if (m_started && !m_committed)
        m_file.cancelWriting();
    m_buffer.clear();
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
