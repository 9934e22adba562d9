#pragma once

#include "core/AgentServices.h"
#include "watchdog/GelmarProcesses.h"
#include "watchdog/NoDataRestart.h"
#include "watchdog/ProcessPrimitives.h"
#include "watchdog/ProcessTable.h"
#include "watchdog/StatusUpdate.h"

#include <QString>
#include <chrono>

class BufferDb;
class CentralLink;
class Control;
class StepRunner;
class StatusFile;
class SupervisionDb;
struct StatusFlags;

// The supervision watchdog: the status update, the process lights and test, the no-data restart and the
// kill and relaunch of the supervision system. One object, built once, owning its steps; the agent wires
// each scheduler step, load step and window action to one of these methods.
class Watchdog {
public:
    // The fields the watchdog itself touches; each step has its own view besides.
    struct View {
        Control& lblFree;
        const Control& txtPathGelmar;
    };
    struct Parts {
        View view;
        GelmarProcesses::View processView;
        StatusUpdate::View statusView;
        StatusUpdate::Limits limits;
        NoDataRestart::View noDataView;
        StatusFlags& flags; // the condition flags as status.ini holds them
        const StatusFile& status;
        AgentServices services;
        SupervisionDb& db;
        BufferDb& buffer;
        const CentralLink& link;
        const StepRunner& scheduler;
        // Between the kill and the relaunch of a restart.
        std::chrono::milliseconds restartWait = GelmarProcesses::defaultRestartWait;
        // Only processes started from this folder or below it are seen and killed; empty: every process.
        QString processScope;
    };

    explicit Watchdog(Parts parts);
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Scheduler steps.
    void PreActualizaDatosVida() { m_status.PreActualizaDatosVida(); }
    void ActualizaIcoNetActivo() { m_processes.ActualizaIcoNetActivo(); }
    bool checkNetActivo() { return m_processes.checkNetActivo(); }
    bool TestData() { return m_noData.TestData(); }
    void MandaMensajeRestart() { m_noData.MandaMensajeRestart(); }
    void ReiniciaGelmar() { m_processes.ReiniciaGelmar(); }
    // The first status update (tmrHide) and the manual one (Image1).
    void ActualizaDatosVida() { m_status.ActualizaDatosVida(); }

    // Window action: the process test runs at the next tick.
    void lblTimeClick();
    // Load step: the drive of the installation folder after "Gb libres en disco ".
    void appendDriveToFreeLabel();

    // Acquisition check: on from the end of the load; maintenance turns it off while the system is
    // stopped on purpose.
    bool ChkAdquisicion() const { return m_chkAdquisicion; }
    void setChkAdquisicion(bool on) { m_chkAdquisicion = on; }

    // The program is ending: a restart waiting relaunches at once, and no status update goes on.
    void stop() {
        m_status.stop();
        m_processes.stop();
    }

    GelmarRestarter& restarter() { return m_processes; }
    GelmarProcesses& processes() { return m_processes; }
    ProcessPrimitives& baskill() { return m_baskill; }
    StatusUpdate& statusUpdate() { return m_status; }

private:
    Parts m_p;
    ProcessTable m_table;
    ProcessPrimitives m_baskill;
    GelmarProcesses m_processes;
    NoDataRestart m_noData;
    StatusUpdate m_status;
    bool m_chkAdquisicion = false;
};
