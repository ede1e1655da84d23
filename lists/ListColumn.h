#pragma once

#include <QString>
#include <Qt>

// One column of a report list: caption, width in twips (0 hides the column),
// horizontal alignment of header and cells, and the sort tag ("" = not sortable).
struct ListColumn
{
    QString caption;
    int widthTwips = 0;
    Qt::Alignment alignment = Qt::AlignLeft;
    QString tag;
};
