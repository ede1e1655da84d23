#pragma once

#include "MessageBoxes.h"

#include <QList>

// Records every message box and answers it without showing anything: with the
// next queued answer, otherwise Ok (or No for questions).
class ScriptedMessageBoxes : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(QWidget* parent, const MessageRequest& request) override;

    void answerNext(QMessageBox::StandardButton button) { m_answers.append(button); }
    const QList<MessageRequest>& shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    QList<QMessageBox::StandardButton> m_answers;
    QList<MessageRequest> m_shown;
};
