#include "GridLineDelegate.h"

#include <QPainter>

GridLineDelegate::GridLineDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void GridLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);

    const QRect r = option.rect;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
}
