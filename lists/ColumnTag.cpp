#include "ColumnTag.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

QString ColumnTag::headerTag(const QTreeWidget* list, int column0)
{
    if (!list || column0 < 0 || column0 >= list->columnCount())
        return QString();
    return list->headerItem()->data(column0, TagRole).toString();
}

void ColumnTag::setHeaderTag(QTreeWidget* list, int column0, const QString& tag)
{
    // Writing past the last column would add columns to the header.
    if (!list || column0 < 0 || column0 >= list->columnCount())
        return;
    list->headerItem()->setData(column0, TagRole, tag);
}

QString ColumnTag::cellTag(const QTreeWidgetItem* item, int column0)
{
    if (!item || column0 < 0)
        return QString();
    return item->data(column0, TagRole).toString();
}

void ColumnTag::setCellTag(QTreeWidgetItem* item, int column0, const QString& tag)
{
    if (!item || column0 < 0)
        return;
    item->setData(column0, TagRole, tag);
}

QString ColumnTag::CAMPO_TAG(QStringView text, char16_t delimiter, int n)
{
    if (n < 1)
        return QString();
    qsizetype start = 0;
    for (int field = 1;; ++field) {
        const qsizetype end = text.indexOf(QChar(delimiter), start);
        if (end < 0)
            return QString();
        if (field == n)
            return text.mid(start, end - start).toString();
        start = end + 1;
    }
}
