#include "ListContextMenu.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeWidget>

#include <algorithm>

namespace {

const char* const PropertyName = "dpcListContextMenu";

QString cell(QString text)
{
    for (QChar& c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    }
    return text;
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
    QList<QTreeWidgetItem*> rows = list->selectedItems();
    if (rows.isEmpty())
        return {};
    std::sort(rows.begin(), rows.end(), [list](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return list->indexOfTopLevelItem(a) < list->indexOfTopLevelItem(b);
    });
    const QHeaderView* header = list->header();
    QList<int> columns;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            columns << logical;
    }
    QString text;
    const auto line = [&](const std::function<QString(int)>& valueOf) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            if (i > 0)
                text += u'\t';
            text += cell(valueOf(columns[i]));
        }
        text += u'\n';
    };
    line([list](int c) { return list->headerItem()->text(c); });
    for (const QTreeWidgetItem* row : std::as_const(rows))
        line([row](int c) { return row->text(c); });
    return text;
}

void ListContextMenu::copy() const
{
    const QString text = selectedText(m_list);
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
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
