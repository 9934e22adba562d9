#pragma once

#include <QString>

class Control;
class EventLog;
class QLoggingCategory;

// No step ends early in silence: an error that ends a cycle is shown in the step's window field, written
// to the event log once per distinct error (not once per tick) and again when it clears, and told on
// standard error each time.
class ErrorReport {
public:
    ErrorReport(QString step, Control& field, const EventLog& log, const QLoggingCategory& category);

    // The cycle ended early on this error.
    void failed(const QString& error);
    // The cycle ran to its end: an error still pending has cleared.
    void succeeded();

private:
    QString m_step;
    Control& m_field;
    const EventLog& m_log;
    const QLoggingCategory& m_category;
    QString m_pending; // the error last logged, until a cycle runs to its end
    int m_failures = 0;
};
