#pragma once

#include "watchdog/HistoryRepair.h"
#include "watchdog/MaintenanceParts.h"
#include "watchdog/MaintenanceSteps.h"
#include "watchdog/Reindex.h"
#include "watchdog/StepError.h"

// The supervision system's maintenance: the weekly optimisation with its reindex, and the repair of the
// history database. One object, built once, owning its steps; the agent wires the scheduler's
// optimisation step and the window's two buttons to it.
class Maintenance {
public:
    using Parts = MaintenanceParts;

    explicit Maintenance(Parts parts);
    Maintenance(const Maintenance&) = delete;
    Maintenance& operator=(const Maintenance&) = delete;

    // Scheduler step: the reindex, when one of the two weekly times has passed since the last one. The
    // stamp is written before the reindex runs, so a failed reindex is not tried again that week.
    void Optimiza();
    // Window actions.
    void btnReindex_Click() { m_reindex.btnReindex_Click(); }
    void btnRepHist_Click() { m_repair.btnRepHist_Click(); }

    // A reindex is running: the scheduler passes over its optimisation step.
    bool Reindexando() const { return m_reindex.Reindexando(); }
    // A reindex or a repair is running (its statements may hold the thread for many minutes).
    bool running() const { return m_steps.busy(); }

    // The program is ending: a run in progress stops waiting, runs no more statements, and starts the
    // system it stopped again.
    void stop() { m_steps.stop(); }
    void setWaits(const MaintenanceWaits& waits) { m_p.waits = waits; }
    QString repairLogPath() const { return m_repair.logPath(); }

private:
    Parts m_p;
    MaintenanceSteps m_steps;
    Reindex m_reindex;
    HistoryRepair m_repair;
    StepError m_scheduleError;
};
