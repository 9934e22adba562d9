#include "watchdog/StepError.h"

#include "core/model/Control.h"
#include "core/runtime/Clock.h"
#include "core/runtime/EventLog.h"
#include "core/text/AgentLocale.h"
#include "watchdog/WatchdogLog.h"

StepError::StepError(Control& field, const EventLog& log, const Clock& clock)
    : m_field(field), m_log(log), m_clock(clock) {
}

void StepError::report(const QString& text) {
    m_field.setText(text);
    if (text == m_last)
        return;
    m_last = text;
    qCWarning(lcWatchdog).noquote() << text;
    if (!m_log.write(text + QStringLiteral(" Hora: ") + AgentLocale::dateTimeText(m_clock.now())))
        qCWarning(lcWatchdog).noquote()
            << "no se puede escribir el registro de eventos" << m_log.currentPath();
}
