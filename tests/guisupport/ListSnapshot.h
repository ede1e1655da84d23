#pragma once

#include <QList>
#include <QStringList>

class QTreeWidget;

// What a list shows: headers with their sort tags, the cells row by row, the
// selected rows and the current row (-1 when none).
struct ListSnapshot
{
    QStringList headers;
    QStringList tags;
    QList<QStringList> rows;
    QList<int> selected;
    int current = -1;

    static ListSnapshot of(QTreeWidget* list);
};
