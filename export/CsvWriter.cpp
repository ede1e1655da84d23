#include "CsvWriter.h"

#include <QDir>

CsvWriter::CsvWriter(const QString& path, QChar separator)
    : m_file(path), m_path(path), m_rows(char(separator.unicode()), FlushAt + 4096)
{
    Q_ASSERT(separator.unicode() < 0x80);
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
    if (!m_failed)
        m_rows.append("\xEF\xBB\xBF");
}

void CsvWriter::field(QByteArrayView utf8)
{
    if (open())
        m_rows.field(utf8);
}

void CsvWriter::field(QStringView text)
{
    if (open())
        m_rows.field(text);
}

void CsvWriter::xmlField(QByteArrayView utf8)
{
    if (open())
        m_rows.xmlField(utf8);
}

void CsvWriter::endRow()
{
    if (open()) {
        m_rows.endRow();
        rowEnded();
    }
}

void CsvWriter::writeRow(const Value* values, qsizetype count)
{
    if (open()) {
        m_rows.writeRow(values, count);
        rowEnded();
    }
}

void CsvWriter::writeRow(const QStringList& fields)
{
    if (open()) {
        m_rows.writeRow(fields);
        rowEnded();
    }
}

void CsvWriter::writeRow(std::initializer_list<QStringView> fields)
{
    if (open()) {
        m_rows.writeRow(fields);
        rowEnded();
    }
}

void CsvWriter::write(const CsvRows& rows)
{
    Q_ASSERT(rows.separator() == m_rows.separator());
    if (open()) {
        flush();
        put(rows.bytes());
    }
}

void CsvWriter::put(QByteArrayView bytes)
{
    if (!m_failed && !bytes.isEmpty())
        m_failed = m_file.device().write(bytes.data(), bytes.size()) != bytes.size();
}

void CsvWriter::flush()
{
    put(m_rows.bytes());
    m_rows.clear();
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
    m_rows.clear();
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
