#include "watchdog/Maintenance.h"

#include "core/model/Control.h"
#include "core/runtime/Clock.h"
#include "core/settings/AgentSettings.h"
#include "core/state/StatusFile.h"
#include "watchdog/OptimizaSchedule.h"

Maintenance::Maintenance(Parts parts)
    : m_p(std::move(parts)), m_steps(m_p), m_reindex(m_p, m_steps), m_repair(m_p, m_steps),
      m_scheduleError(m_p.view.txtError, m_p.services.log, m_p.services.clock) {
}

void Maintenance::Optimiza() {
    if (!m_p.view.chkOptimiza.checked())
        return;
    // A repair holds the system stopped: the optimisation runs at the first tick after it.
    if (m_steps.busy())
        return;
    const AgentSettings& s = m_p.settings;
    const QDateTime now = m_p.services.clock.now();
    const auto first = OptimizaSchedule::scheduled(now, s.DiaOptimiza, s.HoraOptimiza);
    const auto second = OptimizaSchedule::scheduled(now, s.DiaOptimiza2, s.HoraOptimiza);
    if (!first || !second) {
        m_scheduleError.report(QStringLiteral("Optimiza: la hora \"") + s.HoraOptimiza +
                               QStringLiteral("\" de HoraOptimiza no es una hora válida"));
        return;
    }
    const auto last = OptimizaSchedule::lastOptimisation(s.UltOptimiza);
    if (!last) {
        m_scheduleError.report(QStringLiteral("Optimiza: la fecha \"") + s.UltOptimiza +
                               QStringLiteral("\" de UltOptimiza en status.ini no es una fecha válida"));
        return;
    }
    m_scheduleError.clear();
    if (!OptimizaSchedule::due(now, *first, *second, *last))
        return;
    const QString stamp = OptimizaSchedule::stamp(now);
    if (m_p.setUltOptimiza)
        m_p.setUltOptimiza(stamp);
    m_p.status.setUltOptimiza(stamp);
    m_p.view.lblUltOptimiza.setText(stamp);
    m_reindex.btnReindex_Click();
}
