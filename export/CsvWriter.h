#pragma once

#include "ReplacedFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <initializer_list>
#include <vector>

// Writes a CSV file row by row, the way an Italian spreadsheet opens it on a
// double click: UTF-8 with a byte-order mark, CRLF line ends, a configurable
// separator (';' by default), fields quoted only where needed with quotes
// doubled. A field that a spreadsheet would run as a formula (it begins with
// '=', '+', '-', '@', a tab or a carriage return and is not a plain number such
// as "-12,30") gets a leading apostrophe, so that it opens as text. Rows are
// gathered as UTF-8 bytes and streamed out, so large files stay fast and
// small. The file is replaced only by commit(): a failure leaves any earlier
// file whole, and a symbolic link at the name is replaced, never followed.
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

    // A value of a row handed whole to writeRow().
    struct Value
    {
        enum Kind : quint8
        {
            Text,  // as field() writes it
            Xml,   // as xmlField() writes it: its references decoded
            Plain, // known to hold nothing to quote, guard or decode, such as digits
        };
        QByteArrayView utf8;
        Kind kind = Text;
        bool slack = false; // the sixteen bytes from its start may all be read
    };
    // A whole row: the same bytes as field() or xmlField() for each value,
    // then endRow(). The usual values, with nothing to quote, guard or
    // decode, are looked at and copied sixteen bytes at a time.
    void writeRow(const Value* values, qsizetype count);

    // Writes out the rest and replaces the file. False when the file could not
    // be written; errorText() then names it.
    bool commit();
    // Gives up: nothing is written, the earlier file stays.
    void cancel();
    QString errorText() const;
    QString fileName() const { return m_path; }

    // Whether a spreadsheet could take the field for a formula.
    static bool needsFormulaGuard(QByteArrayView utf8);
    // The one message for a file that could not be written.
    static QString cannotWriteText(const QString& path);

private:
    void start();
    void flush();

    void put(QByteArrayView utf8, bool references);
    // 1 when the field needs quotes, 2 when it holds an '&', or both.
    quint8 specialsIn(QByteArrayView utf8) const;
    // Room for `bytes` more in the buffer, written out first when it is full.
    char* reserve(qsizetype bytes)
    {
        if (m_used + bytes > qsizetype(m_buffer.size()))
            makeRoom(bytes);
        return m_buffer.data() + m_used;
    }
    void makeRoom(qsizetype bytes);

    ReplacedFile m_file;
    QString m_path;
    char m_separator;
    std::vector<char> m_buffer;
    qsizetype m_used = 0;
    // Per byte: 1 when a field holding it needs quotes, 2 for '&'.
    std::array<quint8, 256> m_special{};
    // Per byte: whether a field that begins with it may need the formula guard.
    std::array<bool, 256> m_guardable{};
    QByteArray m_decoded;
    bool m_started = false;
    bool m_failed = false;
    bool m_committed = false;
    bool m_firstField = true;
};
