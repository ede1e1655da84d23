#pragma once

#include <QObject>

class QWidget;

// Enter in an entry field never types: it is swallowed and the focus moves to
// the next control in tab order, as a Tab key press would move it.
class EnterAsTab : public QObject
{
    Q_OBJECT
public:
    static void install(QWidget* widget);
    static void sendTab(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
