#include "FocusWatch.h"

#include <QFocusEvent>
#include <QWidget>

FocusWatch::FocusWatch(QWidget* widget) : QObject(widget)
{
    setObjectName(QStringLiteral("FocusWatch"));
    widget->installEventFilter(this);
}

FocusWatch* FocusWatch::of(QWidget* widget)
{
    if (auto* existing = widget->findChild<FocusWatch*>(QStringLiteral("FocusWatch"),
                                                        Qt::FindDirectChildrenOnly))
        return existing;
    return new FocusWatch(widget);
}

void FocusWatch::onEnter(QWidget* widget, std::function<void()> handler)
{
    of(widget)->m_enter = std::move(handler);
}

void FocusWatch::onLeave(QWidget* widget, std::function<void()> handler)
{
    of(widget)->m_leave = std::move(handler);
}

void FocusWatch::moveQuietly(QWidget* target)
{
    Quiet quiet;
    target->setFocus(Qt::OtherFocusReason);
}

bool FocusWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (s_quiet == 0 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const auto& handler = event->type() == QEvent::FocusIn ? m_enter : m_leave;
            if (handler)
                handler();
        }
    }
    return QObject::eventFilter(watched, event);
}
