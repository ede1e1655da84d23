#include "ListSnapshot.h"

#include "ColumnTag.h"

#include <QTreeWidget>

ListSnapshot ListSnapshot::of(QTreeWidget* list)
{
    ListSnapshot s;
    for (int c = 0; c < list->columnCount(); ++c) {
        s.headers << list->headerItem()->text(c);
        s.tags << ColumnTag::headerTag(list, c);
    }
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = list->topLevelItem(r);
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << item->text(c);
        s.rows << cells;
        if (item->isSelected())
            s.selected << r;
        if (item == list->currentItem())
            s.current = r;
    }
    return s;
}
