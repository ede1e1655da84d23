#pragma once

#include "Progress.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

// The progress of a long write: a window-modal dialog with "Annulla" that
// shows once the write has run about a second, and keeps the window painted.
class NoticeProgress
{
public:
    NoticeProgress(QWidget* parent, const QString& label, qsizetype total);
    ~NoticeProgress();
    NoticeProgress(const NoticeProgress&) = delete;
    NoticeProgress& operator=(const NoticeProgress&) = delete;

    // What the writers are given: false once "Annulla" was pressed.
    Progress progress();
    bool cancelled() const { return m_cancelled; }

    // How long a write runs before the dialog shows; tests shorten it.
    static void setShowAfter(int ms);
    static constexpr int DefaultShowAfter = 1000;

private:
    bool step(qsizetype done);

    std::unique_ptr<QProgressDialog> m_dialog;
    QElapsedTimer m_sinceUpdate;
    qsizetype m_total;
    bool m_cancelled = false;
};
