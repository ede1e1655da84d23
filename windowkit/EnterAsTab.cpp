#include "EnterAsTab.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

void EnterAsTab::install(QWidget* widget)
{
    static EnterAsTab* filter = new EnterAsTab(qApp);
    widget->installEventFilter(filter);
}

void EnterAsTab::sendTab(QWidget* widget)
{
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &tab);
}

bool EnterAsTab::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            sendTab(static_cast<QWidget*>(watched));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
