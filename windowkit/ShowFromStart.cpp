#include "ShowFromStart.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>

void ShowFromStart::apply(QWidget* root)
{
    static ShowFromStart* filter = new ShowFromStart(qApp);
    for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
        // Typing happens with the focus in the field; only texts set from code move.
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
            if (!edit->hasFocus())
                edit->setCursorPosition(0);
        });
        edit->installEventFilter(filter);
    }
}

bool ShowFromStart::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit || !edit->isReadOnly())
        return false;
    if (event->type() == QEvent::FocusIn) {
        // Runs before the field's own handling, which then finds a selection
        // and leaves it (a click places the cursor itself, within the view).
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::ShortcutFocusReason)
            edit->setSelection(int(edit->text().size()), -int(edit->text().size()));
    } else if (event->type() == QEvent::FocusOut) {
        // Not for a menu or another window taking the focus: the selection stays
        // for them, and the field comes back as it was.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            edit->setCursorPosition(0);
    }
    return false;
}
