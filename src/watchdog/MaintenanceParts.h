#pragma once

#include "core/AgentServices.h"

#include <QString>
#include <chrono>
#include <functional>

using namespace std::chrono_literals;

class Control;
class GelmarProcesses;
class ProcessPrimitives;
class StatusFile;
class SupervisionDb;
struct AgentSettings;

// How long maintenance lets the supervision system settle, as the system has always waited. Tests
// shorten them.
struct MaintenanceWaits {
    // Reindex: after the kill, after the index is rebuilt, after the relaunch.
    std::chrono::milliseconds closing{10s};
    std::chrono::milliseconds settling{20s};
    std::chrono::milliseconds launching{15s};
    // Repair: after the kill, and before the relaunch.
    std::chrono::milliseconds repairStop{20s};
    std::chrono::milliseconds repairRestart{10s};
};

// What the weekly reindex and the history repair work with.
struct MaintenanceParts {
    // The fields of the window the reindex and the repair read and write.
    struct View {
        const Control& chkOptimiza;
        const Control& txtPathGelmar; // the data tool's working folder
        Control& btnReindex;
        Control& btnRepHist;
        Control& paso;
        Control& ProgressBar1;
        Control& lblUltOptimiza;
        Control& txtError;
    };

    QString programFolder; // repair.log
    View view;
    const AgentSettings& settings; // the optimisation's days, hour and last date; the data tool's root
    // The optimisation's new stamp, kept where the settings hold the last one; status.ini and
    // lblUltOptimiza are written here.
    std::function<void(const QString&)> setUltOptimiza;
    const StatusFile& status;
    AgentServices services;
    SupervisionDb& db;
    ProcessPrimitives& baskill;
    GelmarProcesses& processes;
    // The status update's acquisition check, off while maintenance has the system stopped on purpose.
    std::function<void(bool)> setChkAdquisicion;
    // The notification-area sweep, after the system was stopped and started again: it drops the icons
    // the killed processes left. None: no notification area to sweep.
    std::function<void()> RefrescaSysTray;
    MaintenanceWaits waits = {};
};
