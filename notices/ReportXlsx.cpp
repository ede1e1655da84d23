#include "ReportXlsx.h"

#include "Cents.h"
#include "PharmacyGroups.h"
#include "ReportCsv.h"
#include "ReportRecords.h"
#include "XlsxBook.h"
#include "XmlText.h"

#include <QLocale>

#include <algorithm>
#include <optional>

namespace {

constexpr qsizetype XlsxProgressEvery = 1024;

enum class Cell
{
    Text,
    Number, // a whole number when the value is one, else its text
    Code,   // the pharmacy code, "00005"
    Amount,
};

struct Column
{
    ReportField field;
    Cell cell;
};

// In the order of the CSV's columns.
constexpr Column Columns[] = {
    {ReportField::Anno, Cell::Number},       {ReportField::Mese, Cell::Number},
    {ReportField::Codfarma, Cell::Code},     {ReportField::Farmacia, Cell::Text},
    {ReportField::NumricKey, Cell::Text},    {ReportField::Assistito, Cell::Text},
    {ReportField::CodAssistito, Cell::Text}, {ReportField::Aic, Cell::Text},
    {ReportField::Farmaco, Cell::Text},      {ReportField::Molecola, Cell::Text},
    {ReportField::Pezzi, Cell::Number},      {ReportField::Lordo, Cell::Amount},
    {ReportField::CodErrore, Cell::Text},    {ReportField::DescrizioneErrore, Cell::Text},
    {ReportField::TipoAddebito, Cell::Text}, {ReportField::Soggetto, Cell::Text},
    {ReportField::Flusso, Cell::Text},
};

// A whole number of at most 15 digits, optionally signed: exact in a spreadsheet.
std::optional<double> wholeNumber(QByteArrayView text)
{
    qsizetype i = text.startsWith('-') || text.startsWith('+') ? 1 : 0;
    if (i == text.size() || text.size() - i > 15)
        return std::nullopt;
    qint64 n = 0;
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9')
            return std::nullopt;
        n = n * 10 + (text[k] - '0');
    }
    return double(text[0] == '-' ? -n : n);
}

QString tooLongText(const QString& prescription, const QString& column)
{
    return QStringLiteral("TESTO TROPPO LUNGO PER IL FOGLIO DI CALCOLO (PIÙ DI %1 CARATTERI) "
                          "NELLA RICETTA %2, COLONNA %3")
        .arg(QLocale().toString(XlsxBook::MaxCellCharacters), prescription, column);
}

void writeTotals(XlsxBook& book, const PharmacyGroups& groups)
{
    const int sheet = book.addSheet(QStringLiteral("Totali per farmacia"));
    int row = 0;
    int column = 0;
    for (const char* caption : {"CODICE FARMACIA", "FARMACIA", "ERRORI", "IMPORTO LORDO"})
        book.text(sheet, row, column++, QByteArrayView(caption), XlsxBook::Bold);
    book.headerRow(sheet);
    QList<const PharmacyGroup*> byCode;
    for (const PharmacyGroup& g : groups.groups())
        byCode.append(&g);
    std::sort(byCode.begin(), byCode.end(),
              [](const PharmacyGroup* a, const PharmacyGroup* b) { return a->code < b->code; });
    for (const PharmacyGroup* g : std::as_const(byCode)) {
        ++row;
        book.text(sheet, row, 0, g->code);
        book.text(sheet, row, 1, g->name);
        book.number(sheet, row, 2, double(g->positions.size()));
        book.number(sheet, row, 3, Cents::euros(g->cents), XlsxBook::Money);
    }
    ++row;
    book.text(sheet, row, 0, QStringLiteral("TOTALE"), XlsxBook::Bold);
    book.number(sheet, row, 2, double(groups.count()), XlsxBook::Bold);
    book.number(sheet, row, 3, Cents::euros(groups.cents()), XlsxBook::BoldMoney);
}

} // namespace

bool ReportXlsx::write(const QString& path, const ReportRecords& records,
                       const QList<qsizetype>& positions, const Progress& progress, QString* error)
{
    XlsxBook book(path);
    const int sheet = book.addSheet(QStringLiteral("Errori"));
    const QStringList header = ReportCsv::header();
    for (int c = 0; c < header.size(); ++c)
        book.text(sheet, 0, c, header[c], XlsxBook::Bold);
    book.headerRow(sheet);

    PharmacyGroups groups;
    QByteArray decoded;
    int row = 0;
    for (const qsizetype position : positions) {
        if (position < 0 || position >= records.size())
            continue;
        const ReportRecords::Fields f = records.fields(position);
        if (!groups.add(position, f, error))
            return false;
        ++row;
        for (int c = 0; c < int(std::size(Columns)); ++c) {
            QByteArrayView value = f[size_t(Columns[c].field)];
            if (value.contains('&')) {
                decoded = XmlText::decoded(value);
                value = decoded;
            }
            if (!XlsxBook::fitsCell(value)) {
                if (error)
                    *error = tooLongText(ReportRecords::text(f[size_t(ReportField::NumricKey)]),
                                         header[c]);
                return false;
            }
            switch (Columns[c].cell) {
            case Cell::Text:
                if (!value.isEmpty())
                    book.text(sheet, row, c, value);
                break;
            case Cell::Number:
                if (const std::optional<double> n = wholeNumber(value))
                    book.number(sheet, row, c, *n);
                else if (!value.isEmpty())
                    book.text(sheet, row, c, value);
                break;
            case Cell::Code:
                book.text(sheet, row, c, ReportRecords::pharmacyCode(QString::fromUtf8(value)));
                break;
            case Cell::Amount:
                book.number(sheet, row, c, Cents::euros(Cents::parse(value).cents),
                            XlsxBook::Money);
                break;
            }
        }
        if (row % XlsxProgressEvery == 0 && progress && !progress(row))
            return false;
    }
    writeTotals(book, groups);
    if (book.commit())
        return true;
    if (error)
        *error = book.errorText();
    return false;
}
