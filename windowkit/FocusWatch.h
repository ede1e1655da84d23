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

    // While one exists, focus changes run no handler: for focus the program moves
    // on the operator's behalf (the toolkit giving it back on a tab switch).
    class Quiet
    {
    public:
        Quiet() { ++s_quiet; }
        ~Quiet() { --s_quiet; }
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;
    };
    // Gives `target` the focus without running any handler.
    static void moveQuietly(QWidget* target);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FocusWatch(QWidget* widget);
    static FocusWatch* of(QWidget* widget);

    std::function<void()> m_enter;
    std::function<void()> m_leave;
    static inline int s_quiet = 0;
};
