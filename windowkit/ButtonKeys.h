#pragma once

#include <QObject>

class QAbstractButton;

// Keyboard-only work: Enter on a focused push button presses it, in every window
// of the program (Space already does, through the toolkit). Installed once on the
// application, so every button and modal window gets it without doing anything.
// A button whose keys have a handler of their own opts out with keepOwnKeys().
class ButtonKeys : public QObject
{
    Q_OBJECT
public:
    // Installs the filter on the application; later calls do nothing.
    static void install();

    // The button handles Enter itself: the filter leaves its keys alone.
    static void keepOwnKeys(QAbstractButton* button);
    static bool keepsOwnKeys(const QObject* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
