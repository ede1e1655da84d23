#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

struct MessageRequest
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // The button Enter presses; NoButton leaves the toolkit's choice (Yes, OK).
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Every message box of the program goes through here, so tests can answer
// them and read what was shown.
class MessageBoxes
{
public:
    static inline const QString applicationTitle = QStringLiteral("QuorvelDPC");

    virtual ~MessageBoxes() = default;
    virtual QMessageBox::StandardButton show(QWidget* parent, const MessageRequest& request) = 0;

    // Information and not-found messages: OK only, no icon, the application title.
    void inform(QWidget* parent, const QString& text);
    // Questions: Yes and No, question icon. True when answered Yes. A
    // question whose safe answer is No makes it the default button.
    bool ask(QWidget* parent, const QString& text, const QString& title,
             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
};
