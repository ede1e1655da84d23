#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <vector>

// A spreadsheet (.xlsx) with typed cells, written through libxlsxwriter one
// row after another, so that a large sheet takes little memory. The file is
// replaced only by commit(): a failure leaves any earlier file whole, and a
// symbolic link at the name is replaced, never followed. A text longer than a
// cell holds fails the book: writers check fitsCell() first to say which. Every
// sheet gets columns as wide as the longest value written in them.
//
//     XlsxBook book(path);
//     const int sheet = book.addSheet(u"Errori"_s);
//     book.text(sheet, 0, 0, "ANNO", XlsxBook::Bold); book.headerRow(sheet, 1);
//     book.number(sheet, 1, 0, 2025); ... if (!book.commit()) show(book.errorText());
class XlsxBook
{
public:
    enum Style
    {
        Plain,
        Bold,
        Money,   // #,##0.00: each spreadsheet shows its own separators
        Percent, // 0.00% of a fraction
        BoldMoney,
    };

    // The most characters (UTF-16 code units, as a spreadsheet counts them) a cell holds.
    static constexpr qsizetype MaxCellCharacters = 32767;
    static bool fitsCell(QByteArrayView utf8);

    explicit XlsxBook(const QString& path);
    ~XlsxBook();
    XlsxBook(const XlsxBook&) = delete;
    XlsxBook& operator=(const XlsxBook&) = delete;

    // The new sheet's index; a name longer than a spreadsheet allows is cut.
    int addSheet(const QString& name);

    // Cells of a sheet go in row order; a row's cells in any order.
    void text(int sheet, int row, int column, QByteArrayView utf8, Style style = Plain);
    void text(int sheet, int row, int column, const QString& value, Style style = Plain);
    void number(int sheet, int row, int column, double value, Style style = Plain);
    // A whole number shown with at least `digits` digits, padded with zeros ("03").
    void paddedNumber(int sheet, int row, int column, double value, int digits);

    // Freezes the sheet's first `rows` rows and puts a filter on them and the
    // rows written below, over the columns written.
    void headerRow(int sheet, int rows = 1);

    // Writes the workbook and replaces the file. False when it could not;
    // errorText() then names the file.
    bool commit();
    QString errorText() const;

private:
    struct Private;
    void note(int sheet, int row, int column, qsizetype characters);

    std::unique_ptr<Private> d;
};
