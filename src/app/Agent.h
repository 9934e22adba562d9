#pragma once

#include "core/AgentSettings.h"
#include "core/ConfigScreen.h"
#include "core/Configuration.h"
#include "core/Form1Load.h"
#include "core/Form1State.h"
#include "core/Scheduler.h"
#include "core/SingleInstance.h"
#include "core/SupervisionDb.h"
#include "forwarding/AlarmScan.h"
#include "forwarding/BufferDb.h"
#include "forwarding/CentralLink.h"
#include "forwarding/DeliveryState.h"
#include "forwarding/EventLog.h"
#include "forwarding/Exclusions.h"
#include "forwarding/LifeTestClock.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

class Clock;
class Dialogs;

// The composition root: owns the window model, the settings, the timers and every step, builds them once
// and hands each exactly what it needs. It runs the same with a window or unattended.
class Agent : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString programFolder;
        std::chrono::milliseconds tick{30000};
        std::chrono::milliseconds hideDelay{3000};
        // Each of the link's two waits (connect, echo).
        std::chrono::milliseconds linkWait{CentralLink::defaultWait};
        // How long the supervision databases may take to open at start-up.
        std::chrono::milliseconds dbRetryWindow{60000};
    };

    Agent(Options options, Dialogs& dialogs, const Clock& clock, QObject* parent = nullptr);
    ~Agent() override;

    Form1State& form() { return m_form; }
    const AgentSettings& settings() const { return m_settings; }
    Scheduler& scheduler() { return m_scheduler; }
    const EventLog& eventLog() const { return m_log; }
    const QString& programFolder() const { return m_options.programFolder; }
    SupervisionDb& supervisionDb() { return m_db; }
    AlarmScan& alarmScan() { return m_scan; }
    CentralLink& link() { return m_link; }
    const DeliveryState& delivery() const { return m_delivery; }

    // The load of the window, in its fixed order. Loaded or Stopped: the agent runs on.
    Form1Load::Outcome load();
    // Names of the load steps that ran to their end, in order.
    const QStringList& loadedSteps() const { return m_loadedSteps; }

    // Window actions.
    void btnconfigurarClick();
    void btnCerrarClick();
    void Command1Click();
    void mnuVornnetClick();
    void Image1Click();
    void Label5Click();
    void lblTimeClick();
    // The program's own unload (Cerrar, a signal to end): closes what the load opened.
    void unload();

    // Shows the alarm count label and field when show is 1.
    void VisibilidadAlm(int show);

    QString CarpetaLog;
    QStringList NombreEstado;
    bool salir = false;
    bool ChkAdquisicion = false;
    bool Reindexando = false;

    // Text of the tray icon's tip.
    QString trayCaption() const;

signals:
    // The program ends with this exit status.
    void quitRequested(int exitCode);
    void trayCaptionChanged(const QString& caption);

private:
    void buildLoad(Form1Load& load);
    // Load step 4: true when this copy holds the lock; another copy running ends silently, any other
    // failure of the lock is told and ends the program.
    bool previousInstance();
    void tmrHideTick();
    QString installFolder() const;

    Options m_options;
    Dialogs& m_dialogs;
    const Clock& m_clock;
    Form1State m_form;
    AgentSettings m_settings;
    EventLog m_log;
    Configuration m_config;
    ConfigScreen m_configScreen;
    SingleInstance m_instance;
    SupervisionDb m_db;
    BufferDb m_buffer;
    CentralLink m_link;
    DeliveryState m_delivery;
    LifeTestClock m_lifeTest;
    Exclusions m_exclusions;
    AlarmScan m_scan;
    Scheduler m_scheduler;
    QTimer tmrHide;
    QString m_savedCaption;
    QStringList m_loadedSteps;
    bool m_unloaded = false;
    bool m_manualRun = false;
};
