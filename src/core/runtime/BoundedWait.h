#pragma once

#include <QList>
#include <QObject>
#include <chrono>
#include <functional>

class QEventLoop;

// A wait that lets window, timer, socket and serial events run while it lasts and ends as soon as its
// condition holds or its time is up. It sleeps in a nested event loop until its deadline or until wake():
// whoever waits connects the signals that can change the condition to wake(), and the condition is looked
// at only then. Nothing re-checks it periodically, so a quiet wait costs no CPU and no wake-ups.
class BoundedWait : public QObject {
    Q_OBJECT
public:
    using Duration = std::chrono::milliseconds;

    explicit BoundedWait(QObject* parent = nullptr);

    // True when done() held before the time was up.
    bool until(const std::function<bool()>& done, Duration timeout);
    // Lets events run for the whole duration.
    void pause(Duration duration);
    // A wait of this object is in progress.
    bool waiting() const { return !m_loops.isEmpty(); }

public slots:
    void wake();

private:
    // Every loop of this wait in progress: a wait may be entered again from an event inside it, and a
    // wake must reach the outer one too.
    QList<QEventLoop*> m_loops;
    bool m_woken = false;
};
