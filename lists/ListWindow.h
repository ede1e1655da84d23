#pragma once

#include <QDialog>

class QMouseEvent;
class QTreeWidget;

// A secondary window whose only control is one report list, filling the window
// and sorted by a click on a tagged header. Clicks, Enter and Esc on the list
// go to the window's own handlers; Enter never reaches the list itself. The
// right button, the Menu key and Shift+F10 open the list's context menu (Copia).
class ListWindow : public QDialog
{
    Q_OBJECT
public:
    QTreeWidget* list() const { return m_list; }

protected:
    ListWindow(const QString& windowName, const QString& listName,
               const QString& listAccessibleName, QWidget* parent);

    // The list's font size, in points; the family stays the system's.
    void setListPointSize(qreal points);

    // A mouse button released or double-clicked in the list area; true when the
    // event is used up here.
    virtual bool listClicked(QMouseEvent* event);
    virtual void enterPressed();
    // Esc on the list; by default the window closes.
    virtual void escapePressed();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTreeWidget* m_list;
};
