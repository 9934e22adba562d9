#pragma once

#include <QDateTime>

// Calendar time of the agent: dates, office hours, 7-day windows, weekly schedules.
// Tests replace it with a clock they set by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
