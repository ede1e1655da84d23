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
    // Questions: Yes and No, question icon. True when answered Yes.
    bool ask(QWidget* parent, const QString& text, const QString& title);
};
