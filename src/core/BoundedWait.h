#pragma once

#include <QObject>
#include <chrono>
#include <functional>

class QEventLoop;

// A wait that lets window, timer, socket and serial events run while it lasts, ends as soon as its
// condition holds or its time is up, and never spins the CPU: it sleeps in a nested event loop that is
// woken by wake() (connect the signals that may change the condition to it) or by a short re-check timer.
class BoundedWait : public QObject {
    Q_OBJECT
public:
    using Duration = std::chrono::milliseconds;

    explicit BoundedWait(QObject* parent = nullptr);

    // True when done() held before the time was up.
    bool until(const std::function<bool()>& done, Duration timeout);
    // Lets events run for the whole duration.
    void pause(Duration duration);

    // Longest sleep between two looks at the condition when nothing wakes the wait.
    static constexpr Duration recheck{50};

public slots:
    void wake();

private:
    QEventLoop* m_loop = nullptr;
};
