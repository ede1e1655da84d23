#include "ListSetup.h"

#include "ColumnSort.h"
#include "ColumnTag.h"
#include "GridLineDelegate.h"

#include <QHeaderView>
#include <QPalette>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <vector>

namespace {

const char* const SortConnectedProperty = "dpcSortOnHeaderClick";

// Alignment as stored in the model: the horizontal part chosen for the column,
// vertically centred unless the column says otherwise.
Qt::Alignment storedAlignment(Qt::Alignment alignment)
{
    if (!(alignment & Qt::AlignVertical_Mask))
        alignment |= Qt::AlignVCenter;
    return alignment;
}

// Per column, the alignment a new cell gets; 0 where the default (left) applies.
std::vector<Qt::Alignment> cellAlignments(const QTreeWidget* list)
{
    const QTreeWidgetItem* header = list->headerItem();
    std::vector<Qt::Alignment> result(size_t(list->columnCount()));
    for (int c = 0; c < list->columnCount(); ++c) {
        const Qt::Alignment a = Qt::Alignment::fromInt(header->textAlignment(c));
        if (a & Qt::AlignHorizontal_Mask & ~(Qt::AlignLeft | Qt::AlignLeading))
            result[size_t(c)] = a;
    }
    return result;
}

QTreeWidgetItem* makeRow(const QStringList& cells, const std::vector<Qt::Alignment>& alignments)
{
    auto* item = new QTreeWidgetItem(cells);
    const int n = std::min(int(alignments.size()), int(cells.size()));
    for (int c = 0; c < n; ++c) {
        if (alignments[size_t(c)])
            item->setTextAlignment(c, alignments[size_t(c)]);
    }
    return item;
}

} // namespace

void ListSetup::prepare(QTreeWidget* list, const QList<ListColumn>& columns)
{
    if (!list)
        return;

    list->clear();
    list->setHeaderItem(new QTreeWidgetItem); // drops every column

    list->setHeaderHidden(false);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);

    QHeaderView* header = list->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);

    // The selection stays visible, in the same colours, when the list loses the focus.
    QPalette palette = list->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    list->setPalette(palette);

    if (!qobject_cast<GridLineDelegate*>(list->itemDelegate()))
        list->setItemDelegate(new GridLineDelegate(list));

    list->setColumnCount(int(columns.size()));
    QTreeWidgetItem* headerItem = list->headerItem();
    for (int c = 0; c < int(columns.size()); ++c) {
        const ListColumn& column = columns[c];
        headerItem->setText(c, column.caption);
        headerItem->setTextAlignment(c, storedAlignment(column.alignment));
        headerItem->setData(c, ColumnTag::TagRole, column.tag);
        if (column.widthTwips <= 0) {
            header->hideSection(c);
        } else {
            header->showSection(c);
            header->resizeSection(c, qRound(double(column.widthTwips) / TwipsPerPixel));
        }
    }
}

QTreeWidgetItem* ListSetup::addRow(QTreeWidget* list, const QStringList& cells)
{
    if (!list)
        return nullptr;
    QTreeWidgetItem* item = makeRow(cells, cellAlignments(list));
    list->addTopLevelItem(item);
    return item;
}

void ListSetup::addRows(QTreeWidget* list, const QList<QStringList>& rows)
{
    addRows(list, rows, -1);
}

void ListSetup::addRows(QTreeWidget* list, const QList<QStringList>& rows, int positionRole)
{
    if (!list || rows.isEmpty())
        return;
    const std::vector<Qt::Alignment> alignments = cellAlignments(list);
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const QStringList& cells : rows) {
        QTreeWidgetItem* item = makeRow(cells, alignments);
        // Set before the rows join the list, which then has nothing to be told.
        if (positionRole >= 0)
            item->setData(0, positionRole, qsizetype(items.size()));
        items.append(item);
    }
    list->addTopLevelItems(items);
}

void ListSetup::sortOnHeaderClick(QTreeWidget* list)
{
    if (!list || list->property(SortConnectedProperty).toBool())
        return;
    list->setProperty(SortConnectedProperty, true);
    QObject::connect(list->header(), &QHeaderView::sectionClicked, list, [list](int section) {
        ColumnSort::ORDINA_COLONNA(list, section + 1);
        list->setFocus();
    });
}
