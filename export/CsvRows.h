#pragma once

#include <QByteArrayView>
#include <QStringList>
#include <QStringView>

#include <array>
#include <initializer_list>
#include <vector>

// CSV rows gathered in memory as UTF-8 bytes, the way an Italian spreadsheet
// opens them: CRLF line ends, a configurable separator, fields quoted only
// where needed with quotes doubled. A field that a spreadsheet would run as
// a formula (it begins with '=', '+', '-', '@', a tab or a carriage return
// and is not a plain number such as "-12,30") gets a leading apostrophe, so
// that it opens as text. CsvWriter writes them to a file; rows gathered apart,
// on another thread, go to it whole.
class CsvRows
{
public:
    // `separator` is an ASCII character; `room` the bytes to make room for at first.
    explicit CsvRows(char separator = ';', qsizetype room = 64 * 1024);

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

    // Bytes that go out as they stand, such as a byte-order mark.
    void append(QByteArrayView bytes);

    QByteArrayView bytes() const { return QByteArrayView(m_buffer.data(), m_used); }
    qsizetype size() const { return m_used; }
    char separator() const { return m_separator; }
    // Forgets the rows; the room stays.
    void clear();

    // Whether a spreadsheet could take the field for a formula.
    static bool needsFormulaGuard(QByteArrayView utf8);

private:
    void put(QByteArrayView utf8, bool references);
    // 1 when the field needs quotes, 2 when it holds an '&', or both.
    quint8 specialsIn(QByteArrayView utf8) const;
    // Room for `bytes` more at the end.
    char* reserve(qsizetype bytes)
    {
        if (m_used + bytes > qsizetype(m_buffer.size()))
            grow(bytes);
        return m_buffer.data() + m_used;
    }
    void grow(qsizetype bytes);

    char m_separator;
    std::vector<char> m_buffer;
    qsizetype m_used = 0;
    // Per byte: 1 when a field holding it needs quotes, 2 for '&'.
    std::array<quint8, 256> m_special{};
    // Per byte: whether a field that begins with it may need the formula guard.
    std::array<bool, 256> m_guardable{};
    QByteArray m_decoded;
    bool m_firstField = true;
};
