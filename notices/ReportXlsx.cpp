#include "ReportXlsx.h"

#include "Cents.h"
#include "PharmacyGroups.h"
#include "ReportRecords.h"
#include "XlsxBook.h"
#include "XmlText.h"

#include <QLocale>

#include <algorithm>

namespace {

constexpr qsizetype XlsxProgressEvery = 1024;

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
    using namespace ReportFields;
    XlsxBook book(path);
    const int sheet = book.addSheet(QStringLiteral("Errori"));
    // The table's fields that are columns here, in order.
    QList<int> columns;
    for (int i = 0; i < Count; ++i) {
        if (Table[i].files & Spreadsheet) {
            book.text(sheet, 0, int(columns.size()), QByteArrayView(Table[i].caption),
                      XlsxBook::Bold);
            columns.append(i);
        }
    }
    book.headerRow(sheet);

    PharmacyGroups groups;
    Scratch scratch;
    QByteArray decoded;
    int row = 0;
    for (const qsizetype position : positions) {
        if (position < 0 || position >= records.size())
            continue;
        const ReportRecords::Fields f = records.fields(position);
        if (!groups.add(position, f, error))
            return false;
        ++row;
        for (int c = 0; c < columns.size(); ++c) {
            const Field& field = Table[columns[c]];
            QByteArrayView value = shown(field, f[size_t(columns[c])], scratch);
            if (value.contains('&')) {
                decoded = XmlText::decoded(value);
                value = decoded;
            }
            if (!XlsxBook::fitsCell(value)) {
                if (error)
                    *error = tooLongText(ReportRecords::text(f[size_t(ReportField::NumricKey)]),
                                         QString::fromUtf8(field.caption));
                return false;
            }
            double number = 0;
            if (field.kind == Kind::Money)
                book.number(sheet, row, c, Cents::euros(Cents::parse(value).cents),
                            XlsxBook::Money);
            else if (field.kind == Kind::Whole && wholeNumber(value, &number))
                book.paddedNumber(sheet, row, c, number, field.digits);
            else if (!value.isEmpty())
                book.text(sheet, row, c, value);
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
