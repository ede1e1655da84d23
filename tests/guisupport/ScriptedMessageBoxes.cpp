#include "ScriptedMessageBoxes.h"

QMessageBox::StandardButton ScriptedMessageBoxes::show(QWidget*, const MessageRequest& request)
{
    m_shown.append(request);
    if (whileShown)
        whileShown(request);
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return request.buttons.testFlag(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
}

QStringList ScriptedMessageBoxes::texts() const
{
    QStringList out;
    for (const MessageRequest& r : m_shown)
        out.append(r.text);
    return out;
}
