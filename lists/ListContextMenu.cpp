#include "ListContextMenu.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

namespace {

const char* const PropertyName = "dpcListContextMenu";

// A cell's text with tabs and line breaks as blanks, so that the grid stays whole.
void appendCell(QString& out, const QString& text)
{
    const qsizetype from = out.size();
    out += text;
    for (qsizetype i = from; i < out.size(); ++i) {
        const QChar c = out[i];
        if (c == u'\t' || c == u'\n' || c == u'\r')
            out[i] = u' ';
    }
}

} // namespace

ListContextMenu* ListContextMenu::attach(QTreeWidget* list)
{
    if (auto* existing = list->property(PropertyName).value<ListContextMenu*>())
        return existing;
    auto* created = new ListContextMenu(list);
    list->setProperty(PropertyName, QVariant::fromValue(created));
    return created;
}

ListContextMenu::ListContextMenu(QTreeWidget* list)
    : QObject(list), m_list(list), m_menu(new QMenu(list))
{
    m_menu->setObjectName(list->objectName() + QStringLiteral("_menu"));
    m_menu->setAccessibleName(QStringLiteral("Menu dell'elenco"));
    addEntry(QStringLiteral("Copia"), QKeySequence::Copy, [this] {
        copy();
    })->setObjectName(QStringLiteral("Copia"));
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, &ListContextMenu::popup);
    list->installEventFilter(this);
}

QAction* ListContextMenu::addEntry(const QString& text, const QKeySequence& shortcut,
                                   std::function<void()> handler)
{
    auto* action = new QAction(text, m_menu);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setShortcutVisibleInContextMenu(true);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    m_menu->addAction(action);
    m_list->addAction(action); // the shortcut, while the list has the focus
    return action;
}

QString ListContextMenu::selectedText(const QTreeWidget* list)
{
    // The selected rows by their place in the list, read from the selection's
    // ranges: no search for each row, so a whole year copies in linear time.
    std::vector<int> rows;
    for (const QItemSelectionRange& range : list->selectionModel()->selection()) {
        if (range.parent().isValid())
            continue;
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.push_back(r);
    }
    if (rows.empty())
        return {};
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    const QHeaderView* header = list->header();
    QList<int> columns;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            columns << logical;
    }
    QString text;
    const auto line = [&](const QTreeWidgetItem* item) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0)
                text += u'\t';
            appendCell(text, item->text(columns[i]));
        }
        text += u'\n';
    };
    line(list->headerItem());
    for (const int r : rows) {
        const QTreeWidgetItem* row = list->topLevelItem(r);
        if (row && !row->isHidden())
            line(row);
    }
    return text;
}

void ListContextMenu::copy() const
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString text = selectedText(m_list);
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
    QGuiApplication::restoreOverrideCursor();
}

bool ListContextMenu::isMenuKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Menu ||
           (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
}

bool ListContextMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        isMenuKey(static_cast<QKeyEvent*>(event))) {
        popupAtCurrentRow();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ListContextMenu::popup(const QPoint& viewportPos)
{
    m_menu->popup(m_list->viewport()->mapToGlobal(viewportPos));
}

void ListContextMenu::popupAtCurrentRow()
{
    QPoint at(0, 0);
    if (QTreeWidgetItem* current = m_list->currentItem()) {
        const QRect row = m_list->visualItemRect(current);
        if (row.isValid() && m_list->viewport()->rect().intersects(row))
            at = QPoint(row.left() + 8, row.bottom());
    }
    popup(at);
    m_menu->setActiveAction(m_menu->actions().value(0));
}
