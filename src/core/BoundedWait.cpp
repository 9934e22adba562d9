#include "core/BoundedWait.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

BoundedWait::BoundedWait(QObject* parent) : QObject(parent) {}

bool BoundedWait::until(const std::function<bool()>& done, Duration timeout) {
    // Monotonic: a clock change during the wait neither shortens nor stretches it.
    const QDeadlineTimer deadline(timeout);
    while (!done()) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return done();
        QEventLoop loop;
        QTimer tick;
        tick.setSingleShot(true);
        connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
        tick.start(static_cast<int>(std::min<qint64>(left, recheck.count())));
        QEventLoop* outer = m_loop;
        m_loop = &loop;
        loop.exec();
        m_loop = outer;
    }
    return true;
}

void BoundedWait::pause(Duration duration) {
    until([] { return false; }, duration);
}

void BoundedWait::wake() {
    if (m_loop)
        m_loop->quit();
}
