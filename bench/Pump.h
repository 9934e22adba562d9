#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <functional>

// The bench's own waits: events run, and the condition is looked at every few milliseconds. The bench
// watches the agent from outside; its own wake-ups do not count in the figures (they are the agent's).
namespace Pump {

inline bool until(const std::function<bool()>& done, std::chrono::milliseconds limit,
                  std::chrono::milliseconds every = std::chrono::milliseconds(5)) {
    const QDeadlineTimer deadline(limit);
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired())
            loop.quit();
    });
    if (done())
        return true;
    tick.start(every);
    loop.exec();
    return done();
}

inline void sleep(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace Pump
