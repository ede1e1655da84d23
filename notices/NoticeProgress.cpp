#include "NoticeProgress.h"

#include "MessageBoxes.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>
#include <limits>

namespace {

int& showAfter()
{
    static int ms = NoticeProgress::DefaultShowAfter;
    return ms;
}

// Between two updates of the dialog, which process the window's events.
constexpr qint64 UpdateEveryMs = 50;

} // namespace

NoticeProgress::NoticeProgress(QWidget* parent, const QString& label, qsizetype total)
    : m_dialog(std::make_unique<QProgressDialog>(
          label, QStringLiteral("Annulla"), 0,
          int(std::clamp<qsizetype>(total, 1, std::numeric_limits<int>::max())), parent)),
      m_total(std::max<qsizetype>(total, 1))
{
    m_dialog->setObjectName(QStringLiteral("NoticeProgress"));
    m_dialog->setWindowTitle(MessageBoxes::applicationTitle);
    m_dialog->setAccessibleDescription(label);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(showAfter());
    m_dialog->setValue(0);
    m_sinceUpdate.start();
}

NoticeProgress::~NoticeProgress() = default;

void NoticeProgress::setShowAfter(int ms)
{
    showAfter() = ms;
}

Progress NoticeProgress::progress()
{
    return [this](qsizetype done) { return step(done); };
}

bool NoticeProgress::step(qsizetype done)
{
    if (m_cancelled)
        return false;
    if (m_sinceUpdate.elapsed() >= UpdateEveryMs || done >= m_total) {
        m_sinceUpdate.restart();
        // Until the dialog shows, the window is repainted but takes no input;
        // once shown, the dialog handles the events itself, "Annulla" among them.
        if (!m_dialog->isVisible())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_dialog->setValue(int(std::min(done, m_total)));
        m_cancelled = m_dialog->wasCanceled();
    }
    return !m_cancelled;
}
