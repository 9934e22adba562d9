#pragma once

#include "core/runtime/BoundedWait.h"

#include <QDeadlineTimer>
#include <QProcess>
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

// Ends a child the test started: SIGTERM, a bounded wait with events running, then SIGKILL if it stayed.
// True when it ended (or had ended) normally with status 0.
inline bool endProcess(QProcess& process, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        BoundedWait wait;
        QObject::connect(&process, &QProcess::finished, &wait, &BoundedWait::wake);
        if (!wait.until([&] { return process.state() == QProcess::NotRunning; }, limit)) {
            process.kill();
            process.waitForFinished(1000);
        }
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
