#include "forwarding/ErrorReport.h"

#include "core/model/Control.h"
#include "core/runtime/EventLog.h"

#include <QLoggingCategory>

ErrorReport::ErrorReport(QString step, Control& field, const EventLog& log, const QLoggingCategory& category)
    : m_step(std::move(step)), m_field(field), m_log(log), m_category(category) {
}

void ErrorReport::failed(const QString& error) {
    ++m_failures;
    m_field.setText(error);
    qCWarning(m_category).noquote() << m_step << "terminado antes de tiempo:" << error;
    if (error == m_pending)
        return;
    // The log may be what fails: the line is lost then, and the field and standard error still tell it.
    m_log.stepError(m_step, error);
    m_pending = error;
}

void ErrorReport::succeeded() {
    if (m_pending.isEmpty())
        return;
    qCInfo(m_category).noquote() << m_step << "resuelto tras" << m_failures
                                 << "ciclos terminados antes de tiempo por:" << m_pending;
    m_log.stepErrorCleared(m_step, m_pending);
    m_pending.clear();
    m_failures = 0;
}
