#include "ColumnSort.h"

#include "ColumnTag.h"
#include "SortKeys.h"

#include <QCollator>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

enum class KeyKind
{
    Text,
    Number,
    Date
};

template <class Less> void stableOrder(std::vector<int>& order, bool ascending, Less less)
{
    if (ascending)
        std::stable_sort(order.begin(), order.end(), less);
    else
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(b, a); });
}

// Positions of the rows in their new order: each row's key is computed once.
std::vector<int> sortedOrder(const QList<QTreeWidgetItem*>& rows, int column0, KeyKind kind,
                             bool ascending)
{
    std::vector<int> order(size_t(rows.size()));
    std::iota(order.begin(), order.end(), 0);
    const QLocale locale;

    if (kind == KeyKind::Text) {
        if (locale.language() == QLocale::C) {
            // The C collation is a plain code-unit comparison: fold the case first.
            std::vector<QString> keys;
            keys.reserve(order.size());
            for (const QTreeWidgetItem* row : rows)
                keys.push_back(row->text(column0).toCaseFolded());
            stableOrder(order, ascending, [&](int a, int b) { return keys[a] < keys[b]; });
        } else {
            QCollator collator(locale);
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            std::vector<QCollatorSortKey> keys;
            keys.reserve(order.size());
            for (const QTreeWidgetItem* row : rows)
                keys.push_back(collator.sortKey(row->text(column0)));
            stableOrder(order, ascending,
                        [&](int a, int b) { return keys[a].compare(keys[b]) < 0; });
        }
        return order;
    }

    if (kind == KeyKind::Date) {
        // Blanks and non-dates (-1) before every date, in their previous order.
        std::vector<qint64> keys;
        keys.reserve(order.size());
        for (const QTreeWidgetItem* row : rows)
            keys.push_back(SortKeys::dateStamp(row->text(column0), locale).value_or(-1));
        stableOrder(order, ascending, [&](int a, int b) { return keys[a] < keys[b]; });
        return order;
    }

    std::vector<QString> keys;
    keys.reserve(order.size());
    for (const QTreeWidgetItem* row : rows)
        keys.push_back(SortKeys::numberKey(row->text(column0), locale));
    stableOrder(order, ascending, [&](int a, int b) { return keys[a] < keys[b]; });
    return order;
}

// Puts the rows in the given order with one removal and one insertion, then restores
// the selection, the current item and the scroll position (items carry their hidden
// state back in themselves).
void reorderRows(QTreeWidget* list, const std::vector<int>& order)
{
    QTreeWidgetItem* root = list->invisibleRootItem();
    const int n = root->childCount();
    QItemSelectionModel* selection = list->selectionModel();

    std::vector<char> selected(size_t(n), 0);
    for (const QItemSelectionRange& range : selection->selection()) {
        if (range.parent().isValid())
            continue;
        for (int r = range.top(); r <= range.bottom(); ++r)
            selected[size_t(r)] = 1;
    }
    QTreeWidgetItem* const current = list->currentItem();
    const int currentColumn = list->currentColumn();
    const int vertical = list->verticalScrollBar()->value();
    const int horizontal = list->horizontalScrollBar()->value();

    const QSignalBlocker blocker(list);
    const QList<QTreeWidgetItem*> taken = root->takeChildren();
    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(n);
    for (int from : order)
        sorted.append(taken[from]);
    root->addChildren(sorted);

    QAbstractItemModel* model = list->model();
    const int lastColumn = std::max(0, model->columnCount() - 1);
    // One selection range per run of consecutive selected rows.
    QItemSelection restored;
    for (int to = 0; to < n; ++to) {
        if (!selected[size_t(order[size_t(to)])])
            continue;
        const int first = to;
        while (to + 1 < n && selected[size_t(order[size_t(to + 1)])])
            ++to;
        restored.select(model->index(first, 0), model->index(to, lastColumn));
    }
    selection->select(restored, QItemSelectionModel::ClearAndSelect);
    if (current)
        list->setCurrentItem(current, currentColumn, QItemSelectionModel::NoUpdate);
    list->verticalScrollBar()->setValue(vertical);
    list->horizontalScrollBar()->setValue(horizontal);
}

} // namespace

void ColumnSort::ORDINA_COLONNA(QTreeWidget* list, int column)
{
    if (!list || column < 1 || column > list->columnCount())
        return;
    const int column0 = column - 1;
    const QString tag = ColumnTag::headerTag(list, column0);
    if (tag.trimmed().isEmpty())
        return;
    const QString type = ColumnTag::CAMPO_TAG(tag, u'|', 1).toUpper();
    const QString flag = ColumnTag::CAMPO_TAG(tag, u'|', 2).toUpper();
    if (flag != QStringLiteral("TRUE") && flag != QStringLiteral("FALSE"))
        return;
    const bool ascending = flag == QStringLiteral("TRUE");

    // Any other column starts ascending on its next click.
    for (int c = 0; c < list->columnCount(); ++c) {
        if (c == column0)
            continue;
        QString other = ColumnTag::headerTag(list, c);
        if (other.contains(QStringLiteral("False")))
            ColumnTag::setHeaderTag(list, c,
                                    other.replace(QStringLiteral("False"), QStringLiteral("True")));
    }

    list->setCursor(Qt::BusyCursor);
    list->setUpdatesEnabled(false);

    QString toggled = tag;
    if (ascending)
        toggled.replace(QStringLiteral("True"), QStringLiteral("False"));
    else
        toggled.replace(QStringLiteral("False"), QStringLiteral("True"));
    ColumnTag::setHeaderTag(list, column0, toggled);

    // Rows follow the list's order from here on; Qt's own sorting stays off.
    // Switching it off also makes the header unclickable: keep it as it was.
    const bool clickable = list->header()->sectionsClickable();
    list->setSortingEnabled(false);
    list->header()->setSectionsClickable(clickable);
    const KeyKind kind = type == QStringLiteral("N")   ? KeyKind::Number
                         : type == QStringLiteral("D") ? KeyKind::Date
                                                       : KeyKind::Text;
    const QTreeWidgetItem* root = list->invisibleRootItem();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(root->childCount());
    for (int r = 0; r < root->childCount(); ++r)
        rows.append(root->child(r));
    const std::vector<int> order = sortedOrder(rows, column0, kind, ascending);
    if (!std::is_sorted(order.begin(), order.end()))
        reorderRows(list, order);

    list->setUpdatesEnabled(true);
    list->unsetCursor();
}
