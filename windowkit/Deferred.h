#pragma once

#include <functional>

class QObject;

// Runs an action once the event being handled is over: a look-up that opens a
// modal window, say, must not run inside the focus change that asked for it.
// An action that comes due while a service call is waiting for its answer, or
// while a modal window opened after it was queued is still running, is held
// until that call or window has ended: it never runs nested inside another
// action. Dropped if `owner` is destroyed first.
class Deferred
{
public:
    static void run(QObject* owner, std::function<void()> action);
};
