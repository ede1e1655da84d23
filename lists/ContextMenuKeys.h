#pragma once

#include <QObject>

class QAbstractItemView;

// The keyboard way to a list's context menu: the Menu key and Shift+F10 open
// it at the current row, as a right click there would.
class ContextMenuKeys : public QObject
{
    Q_OBJECT
public:
    // Installs once per list; further calls change nothing.
    static void install(QAbstractItemView* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
