#include "ShowFromStart.h"

#include <QLineEdit>

void ShowFromStart::apply(QWidget* root)
{
    for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
        // Typing happens with the focus in the field; only texts set from code move.
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
            if (!edit->hasFocus())
                edit->setCursorPosition(0);
        });
    }
}
