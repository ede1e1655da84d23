#pragma once

#include <QString>
#include <QStringView>

class QTreeWidget;

// Click-to-sort of report lists, driven by the header tag of the clicked column:
// "type|flag|", type S (text), N (number) or D (date), flag True (next sort ascending)
// or False (next sort descending).
class ColumnSort
{
public:
    // Sorts the list by the 1-based column, toggles that column's flag and resets the
    // flag of every other column to True. An untagged or malformed column does nothing.
    static void ORDINA_COLONNA(QTreeWidget* list, int column);

    // The n-th (1-based) field of text, each field ended by delimiter; "" when the
    // text has fewer than n delimiters.
    static QString CAMPO_TAG(QStringView text, char16_t delimiter, int n);

    // Each digit d becomes 9 - d, '-' becomes a blank, other characters stay.
    static QString COMPLEMENTO(QStringView text);
};
