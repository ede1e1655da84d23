#include "ButtonKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

static const char* ownKeysProperty = "dpcOwnKeys";

void ButtonKeys::install()
{
    static ButtonKeys* filter = nullptr;
    if (filter)
        return;
    filter = new ButtonKeys(qApp);
    qApp->installEventFilter(filter);
}

void ButtonKeys::keepOwnKeys(QAbstractButton* button)
{
    button->setProperty(ownKeysProperty, true);
}

bool ButtonKeys::keepsOwnKeys(const QObject* button)
{
    return button->property(ownKeysProperty).toBool();
}

bool ButtonKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    auto* button = qobject_cast<QPushButton*>(watched);
    if (!button || keepsOwnKeys(button))
        return false;
    // Swallowed either way, so a dialog never also presses its default button;
    // a held key presses once.
    if (!key->isAutoRepeat() && button->isEnabled())
        button->click();
    return true;
}
