#pragma once

#include <QList>
#include <QObject>

class QWidget;

// Tab and Shift+Tab (and Enter where it stands for Tab) go round a tab's
// controls in the order given, whatever order they were created in, and never
// leave the tab. Hidden and disabled controls, and those that take the focus
// only by a click, are passed over.
class TabRing : public QObject
{
    Q_OBJECT
public:
    static void install(QWidget* page, const QList<QWidget*>& order);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TabRing(QWidget* page, const QList<QWidget*>& order);
    // Moves the focus on from `from`; false when no other control can take it.
    bool step(QWidget* from, bool next);

    QList<QWidget*> m_order;
};
