#pragma once

#include <QDateTime>
#include <QElapsedTimer>

// Calendar time of the agent (dates, office hours, 7-day windows, weekly schedules) and, apart from it,
// a monotonic count for how long something has lasted, which no clock step or change of daylight-saving
// time moves. Tests replace it with a clock they set by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds from an arbitrary origin; only differences mean anything.
    virtual qint64 monotonicMs() const = 0;
};

class SystemClock final : public Clock {
public:
    SystemClock() { m_origin.start(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 monotonicMs() const override { return m_origin.elapsed(); }

private:
    QElapsedTimer m_origin;
};
