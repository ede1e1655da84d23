#pragma once

#include "CsvRows.h"
#include "ReplacedFile.h"

#include <QChar>
#include <QString>

// Writes a CSV file row by row, the way an Italian spreadsheet opens it on a
// double click: UTF-8 with a byte-order mark and the rows as CsvRows gathers
// them (';' by default). Rows are gathered as bytes and streamed out, so large
// files stay fast and small. The file is replaced only by commit(): a failure
// leaves any earlier file whole, and a symbolic link at the name is replaced,
// never followed.
//
//     CsvWriter csv(path);
//     csv.writeRow({u"Anno", u"Lordo"}); ...; if (!csv.commit()) show(csv.errorText());
class CsvWriter
{
public:
    // `separator` is an ASCII character.
    explicit CsvWriter(const QString& path, QChar separator = u';');
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;
    // Drops what was written unless commit() succeeded.
    ~CsvWriter();

    // Rows after a failure are ignored; the failure shows at commit().
    void writeRow(const QStringList& fields);
    void writeRow(std::initializer_list<QStringView> fields);

    // A row field by field, for writers that have their values as UTF-8:
    // field() for each one, then endRow().
    void field(QByteArrayView utf8);
    void field(QStringView text);
    // A value as it stands in XML: its character references are decoded.
    void xmlField(QByteArrayView utf8);
    void endRow();

    using Value = CsvRows::Value;
    // A whole row, as CsvRows::writeRow() gathers it.
    void writeRow(const Value* values, qsizetype count);
    // Rows gathered apart with this file's separator, after those before.
    void write(const CsvRows& rows);

    // Writes out the rest and replaces the file. False when the file could not
    // be written; errorText() then names it.
    bool commit();
    // Gives up: nothing is written, the earlier file stays.
    void cancel();
    QString errorText() const;
    QString fileName() const { return m_path; }

    // Whether a spreadsheet could take the field for a formula.
    static bool needsFormulaGuard(QByteArrayView utf8) { return CsvRows::needsFormulaGuard(utf8); }
    // The one message for a file that could not be written.
    static QString cannotWriteText(const QString& path);

private:
    // Whether rows may be gathered: the file is open and nothing failed.
    bool open()
    {
        if (!m_started)
            start();
        return !m_failed;
    }
    void start();
    // Writes the gathered rows out once there are enough of them.
    void rowEnded()
    {
        if (m_rows.size() >= FlushAt)
            flush();
    }
    void flush();
    void put(QByteArrayView bytes);

    static constexpr qsizetype FlushAt = 256 * 1024;

    ReplacedFile m_file;
    QString m_path;
    CsvRows m_rows;
    bool m_started = false;
    bool m_failed = false;
    bool m_committed = false;
};
