#pragma once

#include <QObject>
#include <functional>

class QWidget;

// Runs a handler when a widget gains or loses the focus because the focus moved
// inside its window (keyboard, mouse, program). Focus changes caused by another
// window or a popup opening or closing (a message box, a modal window) are ignored,
// so they never re-run a look-up.
class FocusWatch : public QObject
{
    Q_OBJECT
public:
    static void onEnter(QWidget* widget, std::function<void()> handler);
    static void onLeave(QWidget* widget, std::function<void()> handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FocusWatch(QWidget* widget);
    static FocusWatch* of(QWidget* widget);

    std::function<void()> m_enter;
    std::function<void()> m_leave;
};
