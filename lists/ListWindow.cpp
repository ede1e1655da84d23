#include "ListWindow.h"

#include "ListContextMenu.h"
#include "ListSetup.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

ListWindow::ListWindow(const QString& windowName, const QString& listName,
                       const QString& listAccessibleName, QWidget* parent)
    : QDialog(parent), m_list(new QTreeWidget(this))
{
    setObjectName(windowName);
    m_list->setObjectName(listName);
    m_list->setAccessibleName(listAccessibleName);
    m_list->setColumnCount(0); // no columns until the list is filled
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    ListSetup::sortOnHeaderClick(m_list);
    ListContextMenu::attach(m_list);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
}

void ListWindow::setListPointSize(qreal points)
{
    QFont font = m_list->font();
    font.setPointSizeF(points);
    m_list->setFont(font);
}

bool ListWindow::listClicked(QMouseEvent*)
{
    return false;
}

void ListWindow::enterPressed() {}

void ListWindow::escapePressed()
{
    reject();
}

bool ListWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list->viewport() && (event->type() == QEvent::MouseButtonRelease ||
                                          event->type() == QEvent::MouseButtonDblClick)) {
        // The right button opens the context menu; it is no click on a row.
        auto* mouse = static_cast<QMouseEvent*>(event);
        return mouse->button() == Qt::LeftButton && listClicked(mouse);
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            enterPressed();
            return true;
        }
        if (key == Qt::Key_Escape) {
            escapePressed();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
