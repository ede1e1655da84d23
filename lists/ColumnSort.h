#pragma once

class QTreeWidget;

// Click-to-sort of report lists, driven by the column tag (ColumnTag) of the
// clicked column.
class ColumnSort
{
public:
    // Sorts the list by the 1-based column, toggles that column's flag and resets the
    // flag of every other column to True. An untagged or malformed column does nothing.
    static void ORDINA_COLONNA(QTreeWidget* list, int column);
};
