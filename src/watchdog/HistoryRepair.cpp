#include "watchdog/HistoryRepair.h"

#include "core/model/Control.h"
#include "core/model/Dialogs.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/Clock.h"
#include "core/runtime/Files.h"
#include "core/settings/AgentSettings.h"
#include "core/text/AgentLocale.h"
#include "watchdog/DataTool.h"
#include "watchdog/GelmarProcesses.h"
#include "watchdog/MaintenanceSteps.h"
#include "watchdog/ProcessPrimitives.h"
#include "watchdog/WatchdogLog.h"

#include <QDir>
#include <QStringList>
#include <cerrno>
#include <cstring>

namespace {

using Which = SupervisionDb::Which;

} // namespace

QList<HistoryRepair::Step> HistoryRepair::steps(const SupervisionSql& sql) {
    const Which acquired = Which::Acquired;
    const Which configShrink = sql.shrinkConfigOnItsConnection() ? Which::Config : Which::Acquired;
    return {
        {QStringLiteral("1-CheckDb"), true, {{acquired, sql.checkAcquiredDb(), true}}},
        {QStringLiteral("2-Delete TemporaryData"), false, {{acquired, sql.deleteTemporaryData()}}},
        {QStringLiteral("3-Repair Temporary"), true, {{acquired, sql.repairTemporaryData()}}},
        {QStringLiteral("4-Repair Historical"), true, {{acquired, sql.repairHistoricalData()}}},
        {QStringLiteral("5-Reindex"),
         false,
         {{acquired, sql.dropHistoryIndex()}, {acquired, sql.createHistoryIndex()}}},
        {QStringLiteral("6-Compactar"),
         false,
         {{acquired, sql.shrinkAcquiredDb()}, {configShrink, sql.shrinkConfigDb()}}},
    };
}

HistoryRepair::HistoryRepair(MaintenanceParts& parts, MaintenanceSteps& steps) : m_p(parts), m_steps(steps) {
}

QString HistoryRepair::logPath() const {
    return QDir(m_p.programFolder).filePath(QStringLiteral("repair.log"));
}

void HistoryRepair::btnRepHist_Click() {
    MaintenanceParts::View& f = m_p.view;
    // Red: a repair is running. A click during its green phase, or during a reindex, would stop and start
    // the system under a run that holds it.
    if (f.btnRepHist.background() == MaintenanceSteps::red || m_steps.busy()) {
        m_p.services.dialogs.message(MaintenanceSteps::alreadyStarted);
        return;
    }
    const auto hold = m_steps.hold();
    try {
        writeLog();
    } catch (const AgentError& e) {
        // Nothing has been stopped yet.
        m_steps.report(QStringLiteral("Rep.Hist: ") + MaintenanceSteps::errorText(e, QStringLiteral("-")));
        m_p.services.dialogs.message(MaintenanceSteps::errorText(e, QStringLiteral("-")));
        return;
    }
    const QColor colour = f.btnRepHist.background();
    f.btnRepHist.setBackground(MaintenanceSteps::red);
    m_steps.letEventsRun();

    bool relaunching = false;
    try {
        stopSystem();
        m_steps.pause(m_p.waits.repairStop);
        if (!m_steps.stopped()) {
            const MaintenanceSteps::RaisedTimeout raised(m_p.db, Which::Acquired, commandTimeout);
            for (const Step& step : steps(m_p.db.sql()))
                if (!m_steps.stopped())
                    runStep(step);
        }
        f.btnRepHist.setBackground(MaintenanceSteps::green);
        m_steps.show(QString());
        m_steps.letEventsRun();
        m_steps.pause(m_p.waits.repairRestart);
        relaunching = true;
        m_steps.relaunch();
    } catch (const AgentError& e) {
        // The system stays stopped no longer than the failure: without a restart enabled, nothing
        // else would start it again.
        if (!relaunching)
            m_steps.relaunchAfterFailure();
        m_steps.report(QStringLiteral("Rep.Hist: ") + MaintenanceSteps::errorText(e, QStringLiteral("-")));
        m_p.services.dialogs.message(MaintenanceSteps::errorText(e, QStringLiteral("-")));
    }
    f.btnRepHist.setBackground(colour);
    if (m_p.RefrescaSysTray)
        m_p.RefrescaSysTray();
}

void HistoryRepair::writeLog() {
    const QByteArray line =
        (logLine + AgentLocale::dateTimeText(m_p.services.clock.now()) + QStringLiteral("\r\n")).toUtf8();
    if (!appendToFile(logPath(), line))
        throw AgentError(fileAccessError, QStringLiteral("No se puede escribir ") +
                                              QDir::toNativeSeparators(logPath()) + QStringLiteral(": ") +
                                              QString::fromLocal8Bit(std::strerror(errno)));
}

void HistoryRepair::stopSystem() {
    if (!DataTool::existing(m_p.settings.DataToolRoot).isEmpty())
        m_p.baskill.KillApp(QStringLiteral("vorndata.exe"));
    m_p.processes.stopGelmar();
}

void HistoryRepair::runStep(const Step& step) {
    m_steps.show(step.label);
    m_steps.letEventsRun();
    const SupervisionSql& sql = m_p.db.sql();
    if (step.singleUser)
        m_steps.run(Which::Acquired, sql.setSingleUser());
    try {
        for (const Statement& st : step.statements) {
            const QList<QSqlRecord> rows = m_steps.run(st.which, st.text);
            if (st.check)
                tellFindings(rows);
        }
    } catch (const AgentError&) {
        // Left in single-user mode, the database would keep the supervision system out.
        if (step.singleUser) {
            try {
                m_steps.run(Which::Acquired, sql.setMultiUser());
            } catch (const AgentError& e) {
                // The first failure is the one the repair tells.
                qCWarning(lcWatchdog).noquote()
                    << "no se puede salir del modo de usuario único:" << e.description();
            }
        }
        throw;
    }
    if (step.singleUser)
        m_steps.run(Which::Acquired, sql.setMultiUser());
}

void HistoryRepair::tellFindings(const QList<QSqlRecord>& rows) {
    QStringList findings;
    for (const QSqlRecord& row : rows)
        if (row.count() > 0 && row.value(0).toString() != QLatin1String("ok"))
            findings.append(row.value(0).toString());
    if (!findings.isEmpty())
        m_steps.report(QStringLiteral("1-CheckDb: ") + findings.join(QStringLiteral("; ")));
}
