#pragma once

#include <QString>

class Clock;
class Control;
class EventLog;

// How a watchdog step that ends early says why: the text in its window field every time, one line in
// the event log and on standard error per distinct error, so that a fault repeated every tick is told
// once and a new one is told again.
class StepError {
public:
    StepError(Control& field, const EventLog& log, const Clock& clock);

    void report(const QString& text);
    // The step succeeded: the next failure is told again, even when it is the same as the last one.
    void clear() { m_last.clear(); }
    const QString& last() const { return m_last; }

private:
    Control& m_field;
    const EventLog& m_log;
    const Clock& m_clock;
    QString m_last;
};
