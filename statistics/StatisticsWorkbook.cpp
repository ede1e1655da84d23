#include "StatisticsWorkbook.h"

#include "Cents.h"
#include "XlsxBook.h"

#include <QTreeWidget>

bool StatisticsWorkbook::write(const QString& path, const QList<Sheet>& sheets, int exactRole,
                               QString* error)
{
    XlsxBook book(path);
    for (const Sheet& s : sheets) {
        const int sheet = book.addSheet(s.name);
        const int columns = int(s.cells.size());
        for (int c = 0; c < columns; ++c)
            book.text(sheet, 0, c, s.list->headerItem()->text(c).trimmed(), XlsxBook::Bold);
        book.headerRow(sheet);
        int row = 0;
        for (int r = 0; r < s.list->topLevelItemCount(); ++r) {
            const QTreeWidgetItem* item = s.list->topLevelItem(r);
            ++row;
            for (int c = 0; c < columns; ++c) {
                const QVariant exact = item->data(c, exactRole);
                bool whole = false;
                const qlonglong count = item->text(c).toLongLong(&whole);
                switch (s.cells[c]) {
                case Cell::Money:
                    book.number(sheet, row, c, Cents::euros(exact.toLongLong()), XlsxBook::Money);
                    break;
                case Cell::Share:
                    book.number(sheet, row, c, double(exact.toLongLong()) / 10000.0,
                                XlsxBook::Percent);
                    break;
                case Cell::Count:
                case Cell::Errors:
                    if (whole) {
                        book.number(sheet, row, c, double(count));
                        break;
                    }
                    [[fallthrough]];
                case Cell::Text:
                    if (!item->text(c).isEmpty())
                        book.text(sheet, row, c, item->text(c));
                    break;
                }
            }
        }
        ++row;
        book.text(sheet, row, 0, QStringLiteral("TOTALE"), XlsxBook::Bold);
        for (int c = 1; c < columns; ++c) {
            if (s.cells[c] == Cell::Errors)
                book.number(sheet, row, c, double(s.total.errors), XlsxBook::Bold);
            else if (s.cells[c] == Cell::Money)
                book.number(sheet, row, c, Cents::euros(s.total.cents), XlsxBook::BoldMoney);
        }
    }
    if (book.commit())
        return true;
    if (error)
        *error = book.errorText();
    return false;
}
