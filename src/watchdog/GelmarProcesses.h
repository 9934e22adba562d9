#pragma once

#include "core/runtime/BoundedWait.h"
#include "forwarding/GelmarRestarter.h"
#include "watchdog/StepError.h"

#include <QString>
#include <chrono>

class Clock;
class EventLog;
class Control;
class ProcessPrimitives;

// The supervision system's processes as the window shows and the scheduler tests them, and their kill
// and relaunch. GSNET.EXE is the only one the agent starts; it brings up the others.
class GelmarProcesses : public GelmarRestarter {
public:
    static inline const QString networkServer = QStringLiteral("GSNET.EXE");
    // The process test's countdown, in scheduler ticks.
    static constexpr int countdownStart = 30;
    static constexpr std::chrono::milliseconds defaultRestartWait{10000};

    struct View {
        const Control& chkRestart;
        const Control& txtPathGelmar;
        Control& lblTime; // shows the process test's countdown
        Control& shapeOk1;
        Control& shapeOk2;
        Control& shapeOk3;
        Control& txtError;
        const bool& WebMode; // the network server is not required (read after the load sets it)
        // The supervision system's systemd unit (read after the load sets it); empty: none.
        const QString& GelmarUnit;
    };

    GelmarProcesses(View view, ProcessPrimitives& baskill, const EventLog& log, const Clock& clock);

    // All required processes run: KOBSERVER and PLXSERVER always, GSNET.EXE unless in web mode.
    bool TestVidaNet();
    // While chkRestart is ticked, takes a tick off the countdown and runs the process test when it
    // reaches 0, setting it back to 30. False only when that test failed.
    bool checkNetActivo();
    // The countdown, shown in lblTime; 1 runs the process test at the next tick.
    void setCountdown(int ticks);
    // The three process lights: green running, red not, blue for the network server in web mode.
    void ActualizaIcoNetActivo();

    // Kills the supervision system, lets events run for the restart wait, and starts GSNET.EXE again;
    // with a unit named, asks systemd to restart the unit instead. A relaunch that fails is shown in
    // txtError and written to the event log; the agent goes on. A call while a restart is waiting is
    // ignored: the one in progress relaunches.
    void ReiniciaGelmar() override;

    // The pieces of a restart, for the maintenance that stops the system for a while:
    // GSNET.EXE started from the installation folder, with that folder as working folder, detached in a
    // session of its own (never a child of the agent); with a unit named, systemd asked to start it.
    // False with the reason when it could not start.
    bool startGelmar(QString* why);
    // The system stopped for the maintenance: with a unit named, systemd asked to stop it (a refusal is
    // shown in txtError and written to the event log); otherwise killGelmar().
    void stopGelmar();
    bool unitNamed() const { return !m_view.GelmarUnit.isEmpty(); }
    // Any program started so, with folder as its working folder.
    static bool startDetached(const QString& program, const QString& folder, QString* why);

    bool restarting() const { return m_restarting; }
    void setRestartWait(std::chrono::milliseconds wait) { m_restartWait = wait; }
    // The program is ending: a restart waiting ends its wait now and relaunches at once.
    void stop() {
        m_stopped = true;
        m_restartPause.wake();
    }

private:
    // Every process of the supervision system terminated (KillApp of the four, then KillAppWmi of the
    // network server).
    void killGelmar();
    // systemd asked to stop, start or restart the unit; a refusal told with the failure's words before it.
    void askUnit(const QString& verb, const QString& failure);

    View m_view;
    int m_countdown = countdownStart;
    ProcessPrimitives& m_baskill;
    StepError m_error;
    std::chrono::milliseconds m_restartWait = defaultRestartWait;
    bool m_restarting = false;
    bool m_stopped = false;
    BoundedWait m_restartPause; // the pause between kill and relaunch, woken by stop()
};
