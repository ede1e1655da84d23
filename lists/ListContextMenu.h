#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QKeyEvent;
class QKeySequence;
class QMenu;
class QPoint;
class QTreeWidget;

// The context menu of a report list. Its first entry, "Copia" (Ctrl+C), puts
// the selected rows on the clipboard as tab-separated text, header first. The
// menu opens with the right mouse button, the Menu key and Shift+F10; windows
// add entries of their own, whose shortcuts work while the list has the focus.
class ListContextMenu : public QObject
{
    Q_OBJECT
public:
    // The list's menu, created on the first call.
    static ListContextMenu* attach(QTreeWidget* list);

    QMenu* menu() const { return m_menu; }
    QAction* addEntry(const QString& text, const QKeySequence& shortcut,
                      std::function<void()> handler);

    // The selected rows in the order shown, the visible columns in the order
    // shown, the header row first; cells as shown, one row a line. Tabs and line
    // breaks inside a cell become blanks so that the grid stays whole. Empty
    // when nothing is selected.
    static QString selectedText(const QTreeWidget* list);
    void copy() const;

    // The keys that open a context menu from the keyboard.
    static bool isMenuKey(const QKeyEvent* key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ListContextMenu(QTreeWidget* list);
    void popup(const QPoint& viewportPos);
    void popupAtCurrentRow();

    QTreeWidget* m_list;
    QMenu* m_menu;
};
