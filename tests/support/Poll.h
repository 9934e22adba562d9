#pragma once

#include "core/runtime/BoundedWait.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <chrono>
#include <functional>

// A test's wait for something no signal announces (a file another process writes, a count a timer
// moves): the condition is looked at every few milliseconds, with events running in between.
inline bool pollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                      std::chrono::milliseconds every = std::chrono::milliseconds(10)) {
    const QDeadlineTimer deadline(limit, Qt::PreciseTimer);
    BoundedWait wait;
    for (;;) {
        if (done())
            return true;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return false;
        wait.pause(std::chrono::milliseconds(std::min<qint64>(left, every.count())));
    }
}
