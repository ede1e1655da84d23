#include "TabRing.h"

#include <QKeyEvent>
#include <QWidget>

TabRing::TabRing(QWidget* page, const QList<QWidget*>& order) : QObject(page), m_order(order) {}

void TabRing::install(QWidget* page, const QList<QWidget*>& order)
{
    auto* ring = new TabRing(page, order);
    for (qsizetype i = 0; i < order.size(); ++i) {
        order[i]->installEventFilter(ring);
        // The toolkit's own chain follows the same order, for whatever walks it.
        if (i > 0)
            QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

bool TabRing::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // Ctrl+Tab belongs to the row of tabs.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    const bool backwards = key->key() == Qt::Key_Backtab ||
                           (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
    if (key->key() != Qt::Key_Tab && !backwards)
        return false;
    return step(static_cast<QWidget*>(watched), !backwards);
}

bool TabRing::step(QWidget* from, bool next)
{
    const qsizetype at = m_order.indexOf(from);
    const qsizetype n = m_order.size();
    for (qsizetype s = 1; at >= 0 && s < n; ++s) {
        QWidget* candidate = m_order[(at + (next ? s : n - s)) % n];
        if (candidate->isVisible() && candidate->isEnabled() &&
            (candidate->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}
