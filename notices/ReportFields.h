#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QtGlobal>

#include <array>
#include <cstring>
#include <iterator>
#include <optional>
#include <string_view>

// The elements of a registered error that the files for the operator carry,
// described once: the service's tag, the caption the operator sees, how every
// file writes the value, and where it stands in the CSV, the spreadsheet and
// the PDF. The record reader, the CSV, the spreadsheet and the PDF table all
// read this table: a new column is one row of it.
namespace ReportFields {

// How a value goes out, the same in every file.
enum class Kind : quint8
{
    // As the service sent it (references decoded), always as text: names,
    // descriptions and codes whose leading zeros count (AIC, prescription).
    Text,
    // A number as the report list shows it, always as text: its leading
    // number zero-padded to `digits` ("00005"), "5A" as 00005.
    Code,
    // A whole number: plain digits are padded to `digits` with zeros ("03")
    // and are a number in the spreadsheet, shown with as many digits; any
    // other value, an empty one too, goes out as sent, as text.
    Whole,
    // The gross amount, read once into cents; a file refuses one that is not
    // plain or does not fit. The CSV writes "1234,50", the spreadsheet a
    // number shown "#,##0.00", the PDF the workstation's "1.234,50".
    Money,
};

// The files a field is a column of, in the table's order.
enum Files : quint8
{
    NoFile = 0,
    Csv = 1,
    Spreadsheet = 2,
    CsvAndSpreadsheet = Csv | Spreadsheet,
};

// How the PDF table shows a field.
enum class PdfPlace : quint8
{
    None,
    Column, // the first value of column `pdfColumn`, under `pdfText`
    Joined, // after the values before it in column `pdfColumn`, `pdfText` between
    Title,  // in the title of each pharmacy's pages, not in the table
};

// The width class of a PDF column.
enum class PdfWidth : quint8
{
    Digits,     // as wide as `chars` of the widest digit
    FiscalCode, // nine letters and seven digits, each the widest of its kind
    Text,       // its `weight` of what the others leave
};

struct Field
{
    std::string_view tag;     // the element's name in the answer
    std::string_view caption; // the CSV's header and the spreadsheet's heading
    Kind kind;
    quint8 digits; // Code and Whole: the fewest digits written (0: as sent)
    Files files;
    PdfPlace pdf = PdfPlace::None;
    qint8 pdfColumn = -1;
    std::string_view pdfText{}; // Column: the caption; Joined: what goes before it
    PdfWidth width = PdfWidth::Text;
    quint8 chars = 0;   // Digits: the characters a line holds
    float weight = 0;   // Text: its share
    bool right = false; // right-aligned
};

namespace Pdf {
constexpr Field column(Field f, int column, std::string_view caption, PdfWidth width, int chars,
                       float weight, bool right = false)
{
    f.pdf = PdfPlace::Column;
    f.pdfColumn = qint8(column);
    f.pdfText = caption;
    f.width = width;
    f.chars = quint8(chars);
    f.weight = weight;
    f.right = right;
    return f;
}
constexpr Field digits(Field f, int column, std::string_view caption, int chars, bool right = false)
{
    return Pdf::column(f, column, caption, PdfWidth::Digits, chars, 0, right);
}
constexpr Field text(Field f, int column, std::string_view caption, float weight)
{
    return Pdf::column(f, column, caption, PdfWidth::Text, 0, weight);
}
constexpr Field joined(Field f, int column, std::string_view between)
{
    f.pdf = PdfPlace::Joined;
    f.pdfColumn = qint8(column);
    f.pdfText = between;
    return f;
}
constexpr Field title(Field f)
{
    f.pdf = PdfPlace::Title;
    return f;
}
} // namespace Pdf

namespace Rows {
using enum Kind;
using Pdf::digits;
using Pdf::joined;
using Pdf::text;
using Pdf::title;
constexpr Files Both = CsvAndSpreadsheet;

// In the order of the CSV's and the spreadsheet's columns. "LORDO" holds
// amounts up to 999.999,99 on one line of the PDF; larger ones wrap.
inline constexpr Field Table[] = {
    joined({"Anno", "ANNO", Whole, 4, Both}, 1, "/"),
    digits({"Mese", "MESE", Whole, 2, Both}, 1, "MESE / ANNO", 7),
    title({"Codfarma", "CODICE FARMACIA", Code, 5, Both}),
    title({"Farmacia", "FARMACIA", Text, 0, Both}),
    digits({"NumricKey", "NUMERO RICETTA", Text, 0, Both}, 0, "RICETTA N°", 15),
    text({"Assistito", "ASSISTITO", Text, 0, Both}, 2, "ASSISTITO", 1.2f),
    Pdf::column({"CodAssistito", "CODICE FISCALE", Text, 0, Both}, 3, "CODICE FISCALE",
                PdfWidth::FiscalCode, 16, 0),
    digits({"AIC", "AIC", Text, 0, Both}, 4, "AIC", 9),
    text({"Farmaco", "FARMACO", Text, 0, Both}, 5, "FARMACO", 1.2f),
    text({"Molecola", "MOLECOLA", Text, 0, Both}, 6, "MOLECOLA", 1.0f),
    digits({"Pezzi", "QUANTITA'", Whole, 0, Both}, 7, "Q.TÀ", 4, true),
    digits({"Lordo", "LORDO", Money, 0, Both}, 8, "LORDO", 10, true),
    text({"CodErrore", "CODICE ERRORE", Text, 0, Both}, 9, "ERRORE", 2.2f),
    joined({"DescrizioneErrore", "DESCRIZIONE ERRORE", Text, 0, Both}, 9, " - "),
    text({"TipoAddebito", "ADDEBITO", Text, 0, Both}, 10, "ADDEBITO", 1.1f),
    text({"Soggetto", "SOGGETTO", Text, 0, Both}, 11, "SOGGETTO", 0.5f),
    {"Flusso", "FLUSSO", Text, 0, Both},
    {"ID", "ID", Text, 0, NoFile},
};
} // namespace Rows
using Rows::Table;

constexpr int Count = int(std::size(Table));

// The row of the field whose tag is `tag`; a name not in the table does not compile.
consteval int indexOf(std::string_view tag)
{
    for (int i = 0; i < Count; ++i) {
        if (Table[i].tag == tag)
            return i;
    }
    throw "no field has this tag";
}

// The columns of the PDF table: how many, each begun by one Column row, with
// only Joined rows after it.
consteval int pdfColumnCount()
{
    int columns = 0;
    for (const Field& f : Table) {
        if (f.pdf == PdfPlace::Column)
            ++columns;
    }
    for (int c = 0; c < columns; ++c) {
        int first = 0;
        for (const Field& f : Table)
            first += f.pdf == PdfPlace::Column && f.pdfColumn == c;
        if (first != 1)
            throw "a PDF column must be begun by exactly one field";
    }
    for (const Field& f : Table) {
        if (f.pdf == PdfPlace::Joined && (f.pdfColumn < 0 || f.pdfColumn >= columns))
            throw "a joined field must name a column";
    }
    return columns;
}
constexpr int PdfColumns = pdfColumnCount();

// Whether two rows have the same tag, or a padded number more digits than a file holds.
consteval bool wellFormed()
{
    for (int i = 0; i < Count; ++i) {
        if (Table[i].tag.empty() || Table[i].digits > 16)
            return false;
        for (int j = 0; j < i; ++j) {
            if (Table[i].tag == Table[j].tag)
                return false;
        }
    }
    return true;
}
static_assert(wellFormed(), "every field needs a tag of its own");

// Where the tag look-up starts for each length and first letter (its low
// five bits tell the tags' first letters apart), and the next row to try.
struct TagSlots
{
    static constexpr int Lengths = 32;
    std::array<std::array<qint8, 32>, Lengths> first{};
    std::array<qint8, Count> next{};
};
consteval TagSlots tagSlots()
{
    TagSlots s;
    for (auto& row : s.first)
        row.fill(-1);
    s.next.fill(-1);
    for (int i = Count - 1; i >= 0; --i) {
        const std::string_view tag = Table[i].tag;
        if (tag.size() >= size_t(TagSlots::Lengths))
            throw "a tag this long needs a longer look-up";
        qint8& head = s.first[tag.size()][size_t(tag[0] & 31)];
        s.next[size_t(i)] = head;
        head = qint8(i);
    }
    return s;
}
inline constexpr TagSlots Slots = tagSlots();

// The row of the field a tag names, or -1: found by the tag's length and
// first letter, then compared whole; rows that share both are chained.
int fieldNamed(const char* name, qsizetype size);

// The captions of the columns of `file`, in order.
QStringList captions(Files file);
// The captions of the PDF table's columns, in order.
QStringList pdfCaptions();

// Where the bytes a Code or Whole value is written as are kept when they are
// not the value as sent.
struct Scratch
{
    char digits[32]; // read sixteen bytes at a time: room past the longest number
    QByteArray other;
};

// Plain digits, no more than `digits` of them, padded with zeros to `digits`
// in `scratch`; nothing for any other value.
inline std::optional<QByteArrayView> padded(QByteArrayView sent, int digits, Scratch& scratch)
{
    const qsizetype n = sent.size();
    if (n == 0 || n > digits)
        return std::nullopt;
    // Zeros first, sixteen at once; then the digits over the last of them.
    std::memcpy(scratch.digits, "0000000000000000", 16);
    char* const out = scratch.digits + digits - n;
    for (qsizetype i = 0; i < n; ++i) {
        if (sent[i] < '0' || sent[i] > '9')
            return std::nullopt;
        out[i] = sent[i];
    }
    return QByteArrayView(scratch.digits, digits);
}

// A number as the report list reads it: its leading number, 0 when there is
// none, padded with zeros to `digits` ("00005" of "5A").
QByteArrayView listedNumber(QByteArrayView sent, int digits, Scratch& scratch);

// The value of `field` as every file writes it, before the file's own quoting:
// a Code or Whole value as its kind says, any other as sent (a file decodes
// the references of a Text and writes Money its own way).
inline QByteArrayView shown(const Field& field, QByteArrayView sent, Scratch& scratch)
{
    if (field.kind == Kind::Code)
        return listedNumber(sent, field.digits, scratch);
    if (field.kind == Kind::Whole)
        return padded(sent, field.digits, scratch).value_or(sent);
    return sent;
}

// Whether a Whole value, as shown, is a number in a spreadsheet: an optional
// sign and up to 15 digits, exact there. Its value then.
bool wholeNumber(QByteArrayView shown, double* value);

} // namespace ReportFields

// The fields that code names, by their rows in the table.
enum class ReportField
{
    Id = ReportFields::indexOf("ID"),
    Flusso = ReportFields::indexOf("Flusso"),
    Anno = ReportFields::indexOf("Anno"),
    Mese = ReportFields::indexOf("Mese"),
    Codfarma = ReportFields::indexOf("Codfarma"),
    Farmacia = ReportFields::indexOf("Farmacia"),
    NumricKey = ReportFields::indexOf("NumricKey"),
    Assistito = ReportFields::indexOf("Assistito"),
    CodAssistito = ReportFields::indexOf("CodAssistito"),
    Aic = ReportFields::indexOf("AIC"),
    Farmaco = ReportFields::indexOf("Farmaco"),
    Molecola = ReportFields::indexOf("Molecola"),
    Pezzi = ReportFields::indexOf("Pezzi"),
    Lordo = ReportFields::indexOf("Lordo"),
    CodErrore = ReportFields::indexOf("CodErrore"),
    DescrizioneErrore = ReportFields::indexOf("DescrizioneErrore"),
    TipoAddebito = ReportFields::indexOf("TipoAddebito"),
    Soggetto = ReportFields::indexOf("Soggetto"),
};
constexpr int ReportFieldCount = ReportFields::Count;
