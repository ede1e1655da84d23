#pragma once

#include "MessageBoxes.h"

#include <QList>
#include <functional>

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

    // Runs while each box is "open", before it is answered: a test can take the
    // activation away as a real box does.
    std::function<void(const MessageRequest&)> whileShown;

private:
    QList<QMessageBox::StandardButton> m_answers;
    QList<MessageRequest> m_shown;
};
