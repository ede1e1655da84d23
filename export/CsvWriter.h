#pragma once

#include <QChar>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <initializer_list>

// Writes a CSV file row by row, the way an Italian spreadsheet opens it on a
// double click: UTF-8 with a byte-order mark, CRLF line ends, a configurable
// separator (';' by default), fields quoted only where needed with quotes
// doubled. Rows are buffered and streamed out, so large files stay fast and
// small. The file is replaced only by commit(): a failure leaves any earlier
// file whole.
//
//     CsvWriter csv(path);
//     csv.writeRow({u"Anno", u"Lordo"}); ...; if (!csv.commit()) show(csv.errorText());
class CsvWriter
{
public:
    explicit CsvWriter(const QString& path, QChar separator = u';');
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;
    // Drops what was written unless commit() succeeded.
    ~CsvWriter();

    // Rows after a failure are ignored; the failure shows at commit().
    void writeRow(const QStringList& fields);
    void writeRow(std::initializer_list<QStringView> fields);

    // Writes out the rest and replaces the file. False when the file could
    // not be written; errorText() then names it.
    bool commit();
    QString errorText() const;
    QString fileName() const { return m_path; }

    // An amount with a decimal comma, two decimals and no thousands separator:
    // 1234.5 gives "1234,50".
    static QString money(double value);
    // The one message for a file that could not be written.
    static QString cannotWriteText(const QString& path);

private:
    void beginRow();
    void appendField(QStringView value);
    void endRow();
    void flush();

    QSaveFile m_file;
    QString m_path;
    QChar m_separator;
    QString m_buffer;
    bool m_started = false;
    bool m_failed = false;
    bool m_committed = false;
    bool m_firstField = true;
};
