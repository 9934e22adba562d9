#include "watchdog/Reindex.h"

#include "core/model/Control.h"
#include "core/model/Dialogs.h"
#include "core/runtime/AgentError.h"
#include "watchdog/DataTool.h"
#include "watchdog/GelmarProcesses.h"
#include "watchdog/MaintenanceSteps.h"
#include "watchdog/ProcessPrimitives.h"

#include <QScopeGuard>

Reindex::Reindex(MaintenanceParts& parts, MaintenanceSteps& steps) : m_p(parts), m_steps(steps) {
}

void Reindex::btnReindex_Click() {
    MaintenanceParts::View& f = m_p.view;
    if (!f.chkOptimiza.checked()) {
        m_p.services.dialogs.message(refusal);
        return;
    }
    // A second reindex inside this one's waits, or one inside the repair, would stop and start the
    // system under a run that holds it.
    if (m_steps.busy()) {
        m_p.services.dialogs.message(MaintenanceSteps::alreadyStarted);
        return;
    }
    const auto hold = m_steps.hold();
    const QColor colour = f.btnReindex.background();
    f.btnReindex.setBackground(MaintenanceSteps::red);
    m_reindexando = true;
    const auto done = qScopeGuard([this] { m_reindexando = false; });
    m_p.setChkAdquisicion(false);
    m_steps.show(QStringLiteral("Cerrando..."));
    m_steps.letEventsRun();
    // What cannot be stopped is passed over: KillApp and stopGelmar tell their own failures.
    m_p.baskill.KillApp(DataTool::executable);
    m_p.processes.stopGelmar();

    bool relaunching = false;
    try {
        m_steps.countedWait(QStringLiteral("Cierre "), m_p.waits.closing);
        rebuildIndex();
        m_steps.show(QStringLiteral("Espera "));
        f.btnReindex.setBackground(MaintenanceSteps::green);
        m_steps.letEventsRun();
        m_steps.countedWait(QStringLiteral("Espera "), m_p.waits.settling);
        m_steps.show(QStringLiteral("Lanzando..."));
        relaunching = true;
        m_steps.relaunch();
        m_steps.countedWait(QStringLiteral("Finalizado "), m_p.waits.launching);
        m_p.setChkAdquisicion(true);
        f.btnReindex.setBackground(colour);
        m_steps.show(QString());
    } catch (const AgentError& e) {
        // The system stays stopped no longer than the failure: without a restart enabled, nothing
        // else would start it again.
        if (!relaunching)
            m_steps.relaunchAfterFailure();
        m_p.setChkAdquisicion(true);
        m_steps.report(failureTitle + QStringLiteral(": ") +
                       MaintenanceSteps::errorText(e, QStringLiteral(" - ")));
        m_p.services.dialogs.message(Dialogs::Icon::Critical, failureTitle,
                                     MaintenanceSteps::errorText(e, QStringLiteral(" - ")));
        f.btnReindex.setBackground(colour);
    }
    if (m_p.RefrescaSysTray)
        m_p.RefrescaSysTray();
}

void Reindex::rebuildIndex() {
    // The program is ending: its connections are closed, and the system is only started again.
    if (m_steps.stopped())
        return;
    m_steps.show(QStringLiteral("Indexando"));
    m_steps.letEventsRun();
    const SupervisionDb::Which db = SupervisionDb::Which::Acquired;
    const MaintenanceSteps::RaisedTimeout raised(m_p.db, db, indexTimeout);
    m_steps.run(db, m_p.db.sql().dropHistoryIndex());
    m_steps.run(db, m_p.db.sql().createHistoryIndex());
}
