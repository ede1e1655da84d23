#pragma once

#include "ListColumn.h"

#include <QList>
#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

// The set-up shared by every report list of the program. A list is a flat
// QTreeWidget; each header section and each cell may carry a column tag (ColumnTag).
class ListSetup
{
public:
    static constexpr int TwipsPerPixel = 15;

    // Removes all rows and columns, applies the shared display options and creates
    // the given columns in order.
    static void prepare(QTreeWidget* list, const QList<ListColumn>& columns);

    // Appends one row (or many in one insertion) with the columns' alignments.
    static QTreeWidgetItem* addRow(QTreeWidget* list, const QStringList& cells);
    static void addRows(QTreeWidget* list, const QList<QStringList>& rows);
    // The same, each row keeping its index in `rows` under `positionRole` of its
    // first cell, so that it can be found again after any sort.
    static void addRows(QTreeWidget* list, const QList<QStringList>& rows, int positionRole);

    // Sorts the list by a header section when it is clicked, then gives the list the
    // focus. Connecting is done once per list; further calls change nothing.
    static void sortOnHeaderClick(QTreeWidget* list);
};
