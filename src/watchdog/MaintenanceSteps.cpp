#include "watchdog/MaintenanceSteps.h"

#include "core/model/Control.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/BoundedWait.h"
#include "core/settings/AgentSettings.h"
#include "watchdog/DataTool.h"
#include "watchdog/GelmarProcesses.h"
#include "watchdog/WatchdogLog.h"

#include <QElapsedTimer>
#include <algorithm>

MaintenanceSteps::MaintenanceSteps(MaintenanceParts& parts)
    : m_p(parts), m_error(parts.view.txtError, parts.services.log, parts.services.clock) {
}

void MaintenanceSteps::show(const QString& paso) {
    m_p.view.paso.setText(paso);
}

void MaintenanceSteps::letEventsRun() {
    // A nested loop that ends at once: what is pending (the window's refresh among it) runs first.
    BoundedWait().pause(Duration(1));
}

void MaintenanceSteps::countedWait(const QString& prefix, Duration length) {
    const qint64 total = (length.count() + 999) / 1000;
    const int bar = m_p.view.ProgressBar1.value();
    QElapsedTimer started;
    started.start();
    for (;;) {
        const qint64 elapsed = started.elapsed();
        show(prefix + QString::number(elapsed / 1000) + QLatin1Char('/') + QString::number(total));
        m_p.view.ProgressBar1.setValue(static_cast<int>(elapsed / 1000));
        if (elapsed >= length.count() || m_stopped)
            break;
        // Woken at each whole second to count it.
        const qint64 next = std::min<qint64>(1000 - elapsed % 1000, length.count() - elapsed);
        m_wait.until([this] { return m_stopped; }, Duration(next));
    }
    m_p.view.ProgressBar1.setValue(bar);
}

void MaintenanceSteps::pause(Duration length) {
    m_wait.until([this] { return m_stopped; }, length);
}

QList<QSqlRecord> MaintenanceSteps::run(SupervisionDb::Which which, const QString& statement) {
    try {
        return m_p.db.exec(which, statement);
    } catch (const AgentError& e) {
        if (e.code() != AgentError::CommandFailed && e.code() != AgentError::MissingObject)
            throw;
        // A maintenance command that fails (an index not there to drop) does not stop the sequence.
        qCInfo(lcWatchdog).noquote() << "sentencia de mantenimiento omitida:" << statement << "-"
                                     << e.description();
        return {};
    }
}

void MaintenanceSteps::relaunch() {
    QString why;
    if (!m_p.processes.startGelmar(&why))
        throw AgentError(fileNotFound, why);
    for (const QString& tool : DataTool::existing(m_p.settings.DataToolRoot))
        if (!GelmarProcesses::startDetached(tool, m_p.view.txtPathGelmar.text(), &why))
            throw AgentError(fileNotFound, why);
}

void MaintenanceSteps::relaunchAfterFailure() {
    try {
        relaunch();
    } catch (const AgentError& e) {
        report(QStringLiteral("Error al reiniciar Gelmar: ") + e.description());
    }
}

QString MaintenanceSteps::errorText(const AgentError& e, const QString& separator) {
    return QString::number(static_cast<qint32>(e.code())) + separator + e.description();
}
