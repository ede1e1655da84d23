#include "ContextMenuKeys.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>

void ContextMenuKeys::install(QAbstractItemView* list)
{
    if (list->findChild<ContextMenuKeys*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    list->installEventFilter(new ContextMenuKeys(list));
}

bool ContextMenuKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool menuKey = key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier;
    const bool shiftF10 = key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier;
    if (!menuKey && !shiftF10)
        return false;
    auto* list = static_cast<QAbstractItemView*>(watched);
    // At the current row when it is in sight, else at the top of the list.
    QPoint at(4, 4);
    const QRect row = list->visualRect(list->currentIndex());
    if (row.isValid() && list->viewport()->rect().intersects(row))
        at = row.center();
    at = list->viewport()->mapTo(list, at);
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, list->mapToGlobal(at),
                           key->modifiers());
    QCoreApplication::sendEvent(list, &menu);
    return true;
}
