#pragma once

#include "app/ConfigScreen.h"
#include "app/Form1Load.h"
#include "app/LogFolder.h"
#include "app/Schedule.h"
#include "app/SingleInstance.h"
#include "core/AgentServices.h"
#include "core/model/Configuration.h"
#include "core/model/Form1State.h"
#include "core/model/WindowCaption.h"
#include "core/runtime/EventLog.h"
#include "core/runtime/StepRunner.h"
#include "core/settings/AgentSettings.h"
#include "core/state/DeliveryState.h"
#include "core/state/RecentCounts.h"
#include "core/state/StatusFile.h"
#include "core/state/StatusFlags.h"
#include "forwarding/AlarmPoll.h"
#include "forwarding/CentralLink.h"
#include "forwarding/Forwarding.h"
#include "plant/PlantFiles.h"
#include "sms/Sms.h"
#include "supervision/SupervisionDb.h"
#include "tray/Tray.h"
#include "watchdog/Maintenance.h"
#include "watchdog/Watchdog.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <chrono>

using namespace std::chrono_literals;

class Clock;
class Dialogs;

// The composition root: owns the window model, the settings and the timers, builds one object per
// subsystem, and wires each load step, scheduler step and window action to its owner in one line. It
// runs the same with a window or unattended.
class Agent : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString programFolder;
        std::chrono::milliseconds tick{30s};
        std::chrono::milliseconds hideDelay{3s};
        // Each of the link's two waits (connect, echo).
        std::chrono::milliseconds linkWait{CentralLink::defaultWait};
        // How long the supervision databases may take to open at start-up.
        std::chrono::milliseconds dbRetryWindow{60s};
        // How long a restart of the supervision system waits between the kill and the relaunch.
        std::chrono::milliseconds restartWait{GelmarProcesses::defaultRestartWait};
        // Only processes started from this folder or below it are seen and killed (tests); empty: all.
        QString processScope;
        // How often the desktop is asked whether a notification area came or went.
        std::chrono::milliseconds trayWatch{Tray::defaultWatch};
        // The pauses of the weekly reindex and the repair.
        MaintenanceWaits maintenanceWaits;
    };

    Agent(Options options, Dialogs& dialogs, const Clock& clock, QObject* parent = nullptr);
    ~Agent() override;

    Form1State& form() { return m_form; }
    const AgentSettings& settings() const { return m_settings; }
    const StatusFlags& flags() const { return m_flags; }
    StepRunner& scheduler() { return m_scheduler; }
    const EventLog& eventLog() const { return m_log; }
    const QString& programFolder() const { return m_options.programFolder; }
    SupervisionDb& supervisionDb() { return m_db; }
    AlarmScan& alarmScan() { return m_forwarding.scan(); }
    CentralLink& link() { return m_forwarding.link(); }
    const PlantFiles& plantFiles() const { return m_plant; }
    Tray& tray() { return m_tray; }
    const DeliveryState& delivery() const { return m_delivery; }
    Sms& sms() { return m_sms; }
    Watchdog& watchdog() { return m_watchdog; }
    Maintenance& maintenance() { return m_maintenance; }
    AlarmPoll& alarmPoll() { return m_alarmPoll; }

    // The load of the window, in its fixed order. Loaded or Stopped: the agent runs on.
    Form1Load::Outcome load();
    // Names of the load steps that ran to their end, in order.
    QStringList loadedSteps() const { return m_load ? m_load->done() : QStringList(); }
    // Every load step has run: until then nothing is forwarded (no scan, fast path, life test or clock
    // message), as the plant, the positions or the replaced-database check may be missing.
    bool loadComplete() const { return m_load && m_load->complete(); }
    // "Arranque incompleto: ..." while the load is not complete after it stopped; empty otherwise.
    QString incompleteStartup() const;

    // Window actions.
    void btnconfigurarClick();
    void btnCerrarClick();
    void Command1Click();
    void closeBoxClick();
    void mnuVornnetClick();
    void Image1Click();
    void Label5Click();
    void lblTimeClick();
    void btnReindexClick();
    void btnRepHistClick();
    void btnLogClick();
    // The program's own unload (Cerrar, a signal to end): closes what the load opened.
    void unload();

    // The log folder the load chose.
    const QString& CarpetaLog() const { return m_log.folder(); }
    // Another copy was running: this one ended silently.
    bool salir() const { return m_instance.salir(); }
    // The acquisition check runs once the load has finished, and not while maintenance stops the system.
    bool ChkAdquisicion() const { return m_watchdog.ChkAdquisicion(); }
    // A reindex is running: the scheduler's optimisation step is passed over.
    bool Reindexando() const { return m_maintenance.Reindexando(); }

    // Text of the tray icon's tip.
    QString trayCaption() const;

signals:
    // The program ends with this exit status.
    void quitRequested(int exitCode);

private:
    void buildLoad(Form1Load& load);
    // Load step 4: true when this copy holds the lock; another copy running ends silently, any other
    // failure of the lock is told and ends the program.
    bool previousInstance();
    // A missing vornnet.ini or an unknown DbEngine ends the start at once, told on standard error and in
    // the event log, instead of after the database wait with defaults nobody chose.
    bool settingsUsable();
    void tmrHideTick();
    // The window leaves the screen (tmrHide, Minimizar, the close box).
    void hideWindow();
    void manualRun();
    // At each scheduler run while the load is incomplete: the failed step and the rest are tried again.
    void resumeLoad();
    // Shows and tells, once per distinct failure, why the load is incomplete.
    void tellIncomplete();
    // The load has run to its end: forwarding may start.
    void startForwarding();
    QString installFolder() const;
    std::optional<qint64> alarmPosition() const;

    Options m_options;
    Dialogs& m_dialogs;
    const Clock& m_clock;
    Form1State m_form;
    StatusFlags m_flags;
    DeliveryState m_delivery;
    RecentCounts m_counts;
    StatusFile m_status;
    EventLog m_log;
    const AgentServices m_services; // handed to every step that takes them
    Configuration m_config;
    const AgentSettings& m_settings; // read by start-up's configuration step, for everyone else to read
    WindowCaption m_caption{m_form.form1, m_form.chkOptimiza, m_settings};
    ConfigScreen m_configScreen;
    SingleInstance m_instance;
    SupervisionDb m_db;
    Forwarding m_forwarding;
    Sms m_sms;
    PlantFiles m_plant;
    Tray m_tray;
    Schedule m_schedule; // before the runner that runs its steps
    StepRunner m_scheduler;
    LogFolder m_logFolder;
    Watchdog m_watchdog;
    Maintenance m_maintenance;
    AlarmPoll m_alarmPoll;
    QTimer tmrHide;
    std::unique_ptr<Form1Load> m_load;
    QString m_incompleteTold;
    bool m_unloaded = false;
    bool m_manualRun = false;
};
