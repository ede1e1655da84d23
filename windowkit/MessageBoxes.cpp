#include "MessageBoxes.h"

void MessageBoxes::inform(QWidget* parent, const QString& text)
{
    show(parent, {text, applicationTitle, QMessageBox::NoIcon, QMessageBox::Ok});
}

bool MessageBoxes::ask(QWidget* parent, const QString& text, const QString& title,
                       QMessageBox::StandardButton defaultButton)
{
    return show(parent, {text, title, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                         defaultButton}) == QMessageBox::Yes;
}
