#include "CsvWriter.h"

#include <QDir>

#include <cmath>

namespace {

// Characters gathered before they go to the file as UTF-8.
constexpr qsizetype FlushAt = 64 * 1024;

} // namespace

CsvWriter::CsvWriter(const QString& path, QChar separator)
    : m_file(path), m_path(path), m_separator(separator)
{
    m_buffer.reserve(FlushAt + 4096);
}

CsvWriter::~CsvWriter()
{
    if (m_started && !m_committed)
        m_file.cancelWriting();
}

void CsvWriter::beginRow()
{
    if (!m_started) {
        m_started = true;
        m_failed = !m_file.open(QIODevice::WriteOnly);
        if (!m_failed)
            m_buffer += QChar(0xFEFF);
    }
    m_firstField = true;
}

void CsvWriter::appendField(QStringView value)
{
    if (!m_firstField)
        m_buffer += m_separator;
    m_firstField = false;
    bool quote = false;
    for (QChar c : value) {
        if (c == m_separator || c == u'"' || c == u'\n' || c == u'\r') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        m_buffer += value;
        return;
    }
    m_buffer += u'"';
    qsizetype from = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'"') {
            m_buffer += value.mid(from, i - from + 1);
            m_buffer += u'"';
            from = i + 1;
        }
    }
    m_buffer += value.mid(from);
    m_buffer += u'"';
}

void CsvWriter::endRow()
{
    m_buffer += QLatin1String("\r\n");
    if (m_buffer.size() >= FlushAt)
        flush();
}

void CsvWriter::flush()
{
    if (!m_failed && !m_buffer.isEmpty()) {
        const QByteArray bytes = m_buffer.toUtf8();
        m_failed = m_file.write(bytes) != bytes.size();
    }
    m_buffer.clear();
}

void CsvWriter::writeRow(const QStringList& fields)
{
    beginRow();
    if (m_failed)
        return;
    for (const QString& value : fields)
        appendField(value);
    endRow();
}

void CsvWriter::writeRow(std::initializer_list<QStringView> fields)
{
    beginRow();
    if (m_failed)
        return;
    for (QStringView value : fields)
        appendField(value);
    endRow();
}

bool CsvWriter::commit()
{
    if (m_committed)
        return true;
    if (!m_started)
        beginRow(); // an empty file: just the byte-order mark
    flush();
    if (m_failed) {
        m_file.cancelWriting();
        m_committed = false;
        return false;
    }
    m_committed = m_file.commit();
    m_failed = !m_committed;
    return m_committed;
}

QString CsvWriter::errorText() const
{
    return m_failed ? cannotWriteText(m_path) : QString();
}

QString CsvWriter::money(double value)
{
    if (!std::isfinite(value))
        value = 0.0;
    QString text = QString::number(value, 'f', 2);
    // -0.001 rounds to "-0.00": an amount of nothing has no sign.
    if (text == QLatin1String("-0.00"))
        text = QStringLiteral("0.00");
    text.replace(u'.', u',');
    return text;
}

QString CsvWriter::cannotWriteText(const QString& path)
{
    return QStringLiteral("IMPOSSIBILE SCRIVERE IL FILE ") + QDir::toNativeSeparators(path);
}
