#include "watchdog/ProcessPrimitives.h"

#include "core/model/Dialogs.h"
#include "core/runtime/AgentError.h"
#include "watchdog/ProcessTable.h"
#include "watchdog/WatchdogLog.h"

ProcessPrimitives::ProcessPrimitives(const ProcessTable& table, Dialogs& dialogs)
    : m_table(table), m_dialogs(dialogs) {
}

bool ProcessPrimitives::IsAppRunning(const QString& name) {
    bool running = false;
    try {
        for (const ProcessEntry& p : m_table.list())
            if (p.name.startsWith(name, Qt::CaseInsensitive))
                running = true;
    } catch (const AgentError& e) {
        qCWarning(lcWatchdog) << "IsAppRunning" << name << e.description();
        m_dialogs.message(QStringLiteral("Error al comprobar si ") + name + QStringLiteral(" sigue cargado"));
    }
    return running;
}

bool ProcessPrimitives::KillApp(const QString& name) {
    bool found = false;
    try {
        for (const ProcessEntry& p : m_table.list()) {
            if (!p.name.endsWith(name, Qt::CaseInsensitive))
                continue;
            found = true;
            if (!KillProcessById(p.pid, 0))
                qCWarning(lcWatchdog)
                    << "KillApp: el proceso" << p.pid << p.name << "no se ha podido terminar";
        }
    } catch (const AgentError& e) {
        qCWarning(lcWatchdog) << "KillApp" << name << e.description();
        m_dialogs.message(QStringLiteral("Error KillApp!"));
    }
    return found;
}

bool ProcessPrimitives::KillProcessById(qint64 processId, quint32 exitCode) {
    Q_UNUSED(exitCode)
    return ProcessTable::terminate(processId);
}

bool ProcessPrimitives::KillAppWmi(const QString& name, bool allInstances, bool unused) {
    Q_UNUSED(unused)
    bool terminated = false;
    for (const ProcessEntry& p : m_table.list()) {
        if (p.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (KillProcessById(p.pid, 0))
            terminated = true;
        else
            qCWarning(lcWatchdog) << "KillAppWmi: el proceso" << p.pid << p.name
                                  << "no se ha podido terminar";
        if (!allInstances)
            break;
    }
    return terminated;
}
