#include "watchdog/GelmarProcesses.h"

#include "core/model/Control.h"
#include "core/model/Palette.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/BoundedWait.h"
#include "core/runtime/Files.h"
#include "watchdog/ProcessPrimitives.h"
#include "watchdog/SystemdUnit.h"
#include "watchdog/WatchdogLog.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>

GelmarProcesses::GelmarProcesses(View view, ProcessPrimitives& baskill, const EventLog& log,
                                 const Clock& clock)
    : m_view(view), m_baskill(baskill), m_error(m_view.txtError, log, clock) {
}

bool GelmarProcesses::TestVidaNet() {
    bool ok = true;
    if (!m_baskill.IsAppRunning(QStringLiteral("KOBSE")) || !m_baskill.IsAppRunning(QStringLiteral("PLXS")))
        ok = false;
    if (!m_baskill.IsAppRunning(networkServer) && !m_view.WebMode)
        ok = false;
    return ok;
}

bool GelmarProcesses::checkNetActivo() {
    if (!m_view.chkRestart.checked())
        return true;
    setCountdown(m_countdown - 1);
    if (m_countdown > 0)
        return true;
    const bool ok = TestVidaNet();
    setCountdown(countdownStart);
    return ok;
}

void GelmarProcesses::setCountdown(int ticks) {
    m_countdown = ticks;
    m_view.lblTime.setText(QString::number(ticks));
}

void GelmarProcesses::ActualizaIcoNetActivo() {
    const auto light = [this](const QString& name) {
        return m_baskill.IsAppRunning(name) ? Palette::green : Palette::red;
    };
    m_view.shapeOk1.setBackground(m_view.WebMode ? Palette::blue : light(QStringLiteral("GSNet.exe")));
    m_view.shapeOk2.setBackground(light(QStringLiteral("KOBSE")));
    m_view.shapeOk3.setBackground(light(QStringLiteral("PLXS")));
}

void GelmarProcesses::killGelmar() {
    for (const char* name : {"GSNET.EXE", "KOBSERVER.EXE", "PLXSERVER.EXE", "VQM.EXE"})
        m_baskill.KillApp(QString::fromLatin1(name));
    m_baskill.KillAppWmi(networkServer, false);
}

bool GelmarProcesses::startGelmar(QString* why) {
    if (unitNamed()) {
        const QString refused = SystemdUnit(m_view.GelmarUnit).ask(QStringLiteral("start"));
        if (why)
            *why = refused;
        return refused.isEmpty();
    }
    const QString folder = m_view.txtPathGelmar.text();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        if (why)
            *why = QStringLiteral("No se encuentra la carpeta de Gelmar ") + QDir::toNativeSeparators(folder);
        return false;
    }
    // The installation's names come from a file system that ignores case.
    return startDetached(fileInFolder(folder, networkServer), folder, why);
}

bool GelmarProcesses::startDetached(const QString& program, const QString& folder, QString* why) {
    const auto fail = [&](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    const QFileInfo exe(program);
    if (!exe.isFile())
        return fail(QStringLiteral("No se encuentra ") + QDir::toNativeSeparators(program));
    if (!exe.isExecutable())
        return fail(QDir::toNativeSeparators(program) + QStringLiteral(" no es ejecutable"));

    QProcess process;
    process.setProgram(program);
    process.setWorkingDirectory(folder);
    // Nothing of the agent's is held open by it: it outlives the agent.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return fail(QStringLiteral("No se puede iniciar ") + QDir::toNativeSeparators(program) +
                    QStringLiteral(": ") + process.errorString());
    qCInfo(lcWatchdog) << "iniciado" << program << "como proceso" << pid;
    return true;
}

void GelmarProcesses::stopGelmar() {
    if (unitNamed())
        askUnit(QStringLiteral("stop"), QStringLiteral("Error al detener Gelmar: "));
    else
        killGelmar();
}

void GelmarProcesses::askUnit(const QString& verb, const QString& failure) {
    const QString refused = SystemdUnit(m_view.GelmarUnit).ask(verb);
    if (refused.isEmpty())
        m_error.clear();
    else
        m_error.report(failure + refused);
}

void GelmarProcesses::ReiniciaGelmar() {
    if (m_restarting)
        return;
    m_restarting = true;
    const auto done = qScopeGuard([this] { m_restarting = false; });
    qCInfo(lcWatchdog) << "reiniciando el sistema de supervisión";
    if (unitNamed()) {
        // systemd stops and starts it under the unit's own account and file view.
        askUnit(QStringLiteral("restart"), QStringLiteral("Error al reiniciar Gelmar: "));
        return;
    }
    try {
        killGelmar();
    } catch (const AgentError& e) {
        // What could be killed was; the relaunch is still due.
        m_error.report(QStringLiteral("Error al detener Gelmar: ") + e.description());
    }
    m_restartPause.until([this] { return m_stopped; }, m_restartWait);
    QString why;
    if (startGelmar(&why))
        m_error.clear();
    else
        m_error.report(QStringLiteral("Error al reiniciar Gelmar: ") + why);
}
