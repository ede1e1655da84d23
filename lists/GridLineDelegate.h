#pragma once

#include <QStyledItemDelegate>

// Paints every cell as usual, then its right and bottom borders, so that a report
// list shows grid lines between rows and columns.
class GridLineDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit GridLineDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
