#include "Deferred.h"

#include "SoapClient.h"

#include <QThread>
#include <QTimer>

// How often a held action looks again whether it may run.
static constexpr int heldRetryMs = 10;

// `level` is the event-loop depth the action was queued at. Deeper means it
// came due inside a call's wait or a modal window (or one that is closing):
// running there would nest it inside another action that has not finished.
static void post(QObject* owner, std::function<void()> action, int delayMs, int level)
{
    QTimer::singleShot(delayMs, owner, [owner, action = std::move(action), level]() mutable {
        if (SoapClient::callInFlight() || QThread::currentThread()->loopLevel() > level) {
            post(owner, std::move(action), heldRetryMs, level);
            return;
        }
        action();
    });
}

void Deferred::run(QObject* owner, std::function<void()> action)
{
    post(owner, std::move(action), 0, QThread::currentThread()->loopLevel());
}
