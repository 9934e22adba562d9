#include "core/runtime/BoundedWait.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>

BoundedWait::BoundedWait(QObject* parent) : QObject(parent) {
}

bool BoundedWait::until(const std::function<bool()>& done, Duration timeout) {
    // Monotonic: a clock change during the wait neither shortens nor stretches it.
    const QDeadlineTimer deadline(timeout, Qt::PreciseTimer);
    for (;;) {
        m_woken = false;
        if (done())
            return true;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return false;
        // A wake that came while the condition was being looked at is not lost.
        if (m_woken)
            continue;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        // Precise: a coarse timer may end a long wait early, only to sleep again for the rest.
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(left));
        m_loops.append(&loop);
        // An exception from a handler run inside the loop comes out of exec(): the loop it ends must not
        // be woken later.
        const auto gone = qScopeGuard([this, &loop] { m_loops.removeOne(&loop); });
        loop.exec();
    }
}

void BoundedWait::pause(Duration duration) {
    until([] { return false; }, duration);
}

void BoundedWait::wake() {
    m_woken = true;
    for (QEventLoop* loop : std::as_const(m_loops))
        loop->quit();
}
