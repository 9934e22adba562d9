#pragma once

#include "core/BoundedWait.h"

#include <chrono>
#include <functional>

// A test's wait for something no signal announces (a file another process writes, a count a timer
// moves): the condition is looked at every few milliseconds, with events running in between.
inline bool pollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                      std::chrono::milliseconds every = std::chrono::milliseconds(10)) {
    BoundedWait wait;
    wait.setRecheck(every);
    return wait.until(done, limit);
}
