#include "app/Agent.h"

#include "app/Views.h"

#include "core/model/Dialogs.h"
#include "core/runtime/Clock.h"
#include "core/runtime/Diagnostics.h"
#include "core/settings/ConfigKeys.h"
#include "core/settings/ConfigRules.h"
#include "core/settings/IniFile.h"
#include "core/text/AgentLocale.h"
#include "forwarding/UltCodFile.h"
#include "tray/LinuxWindowSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

namespace {

// A load step that can not end the program.
Form1Load::Step step(const QString& name, std::function<void()> run, bool opensBuffer = false) {
    return {name,
            [run = std::move(run)] {
                run();
                return true;
            },
            opensBuffer, nullptr, false};
}

} // namespace

Agent::Agent(Options options, Dialogs& dialogs, const Clock& clock, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_dialogs(dialogs), m_clock(clock),
      m_status(m_options.programFolder),
      m_log(m_options.programFolder, clock), m_services{clock, m_log, dialogs},
      m_config(m_options.programFolder, Views::configuration(m_form), dialogs),
      m_settings(m_config.settings()),
      m_configScreen(m_config.iniPath(), Views::configScreen(m_form), dialogs),
      m_instance(m_options.programFolder), m_db(
                                               SupervisionDb::Settings::fromIni(m_config.iniPath()),
                                               [this] { return installFolder(); }, m_log, dialogs),
      m_forwarding({m_options.programFolder, m_config.iniPath(), Views::forwarding(m_form, m_counts), m_flags,
                    m_settings.smsAuxiliaries, m_status, m_services, m_db, m_delivery}),
      m_sms({m_options.programFolder, Views::sms(m_form), m_flags.SMSOn, m_status, m_services,
             m_forwarding.buffer(), m_delivery}),
      m_plant(m_options.programFolder, dialogs, AgentLocale::locale()),
      m_tray(m_form.form1, std::make_unique<LinuxWindowSystem>()), m_logFolder(m_form.ESTADO),
      m_watchdog({Views::watchdog(m_form), Views::gelmarProcesses(m_form, m_settings),
                  Views::statusUpdate(m_form, m_counts, m_sms.alarmsWatched()),
                  Views::statusLimits(m_settings), Views::noDataRestart(m_form, m_counts), m_flags, m_status,
                  m_services, m_db, m_forwarding.buffer(), m_forwarding.link(), m_scheduler,
                  m_options.restartWait, m_options.processScope}),
      m_maintenance({m_options.programFolder, Views::maintenance(m_form), m_settings,
                     [this](const QString& stamp) { m_config.setUltOptimiza(stamp); }, m_status, m_services,
                     m_db, m_watchdog.baskill(), m_watchdog.processes(),
                     [this](bool on) { m_watchdog.setChkAdquisicion(on); },
                     [this] { m_tray.RefrescaSysTray(); }, m_options.maintenanceWaits}),
      m_alarmPoll({[this] { return alarmPosition(); }, [this] { return AlarmPoll::newestId(m_db); },
                   [this] { m_schedule.BuscaAlarmas(); },
                   [this] {
                       return m_scheduler.running() || m_maintenance.Reindexando() || m_manualRun ||
                              m_forwarding.scan().running();
                   },
                   [this] { return m_delivery.failurePending(); }, &m_form.lblAlarmPoll}) {
    m_forwarding.link().setConnectWait(m_options.linkWait);
    m_forwarding.link().setReplyWait(m_options.linkWait);
    m_forwarding.link().setExpiryWarning(
        [this](const QString& warning) { m_form.txtError.setText(warning); });
    m_db.setRetryWindow(m_options.dbRetryWindow);
    m_scheduler.setPeriod(m_options.tick);
    m_forwarding.setSmsSender(&m_sms.driver());
    m_forwarding.setRestarter(&m_watchdog.restarter());
    m_tray.setWatchInterval(m_options.trayWatch);

    // Timer3's steps; those of subsystems not in this build are passed over.
    m_schedule.PreActualizaDatosVida = [this] { m_watchdog.PreActualizaDatosVida(); };
    m_schedule.ActualizaIcoNetActivo = [this] { m_watchdog.ActualizaIcoNetActivo(); };
    m_schedule.CheckSMS = [this] { m_sms.CheckSMS(); };
    m_schedule.BuscaAlarmas = [this] {
        if (loadComplete())
            m_forwarding.scan().BuscaAlarmas();
    };
    m_schedule.SubSynchro = [this] {
        if (loadComplete())
            m_forwarding.lifeTest().SubSynchro();
    };
    m_schedule.checkNetActivo = [this] { return m_watchdog.checkNetActivo(); };
    m_schedule.TestData = [this] { return m_watchdog.TestData(); };
    m_schedule.MandaMensajeRestart = [this] { m_watchdog.MandaMensajeRestart(); };
    m_schedule.ReiniciaGelmar = [this] { m_watchdog.ReiniciaGelmar(); };
    m_schedule.Optimiza = [this] { m_maintenance.Optimiza(); };
    m_schedule.skipOptimiza = [this] { return m_maintenance.Reindexando(); };
    m_schedule.addTo(m_scheduler);
    // First of the label's listeners: whoever else hears of a step finds it already shown.
    connect(&m_scheduler, &StepRunner::labelChanged, this,
            [this](const QString& label) { m_form.lblProceso.setText(label); });
    connect(&m_scheduler, &StepRunner::runStarting, this, &Agent::resumeLoad);
    // Timer3 counts from the window's creation; its first run waits for the load to finish.
    m_scheduler.start();

    tmrHide.setSingleShot(true);
    tmrHide.setInterval(static_cast<int>(m_options.hideDelay.count()));
    connect(&tmrHide, &QTimer::timeout, this,
            [this] { Diagnostics::handled("tmrHide", [this] { tmrHideTick(); }); });
}

Agent::~Agent() {
    unload();
}

QString Agent::installFolder() const {
    // The databases open before the settings reach the window: read the path from the file meanwhile.
    QString path = m_form.txtPathGelmar.text();
    if (path.isEmpty())
        path = LeeIni(m_config.iniPath(), QStringLiteral("CONFIG"),
                      QString::fromLatin1(ConfigKeys::fieldOf(&Form1State::txtPathGelmar).readAs));
    if (path.isEmpty())
        path = QString::fromUtf8(ConfigRules::defaultPathGelmar);
    return path;
}

void Agent::buildLoad(Form1Load& load) {
    load.add(step(QStringLiteral("caption"), [this] { m_caption.remember(); }));
    load.add({QStringLiteral("previous instance"), [this] { return previousInstance(); }, false,
              [this] { return salir(); }});
    load.add(step(QStringLiteral("CarpetaLog"),
                  [this] { m_log.setFolderFromEnvironment(m_options.programFolder); }));
    load.add({QStringLiteral("settings"), [this] { return settingsUsable(); }});
    load.add({QStringLiteral("ConectaConDB"), [this] { return m_db.ConectaConDB(); }});
    load.add(step(
        QStringLiteral("buffer"), [this] { m_forwarding.openBuffer(); }, true));
    load.add(step(QStringLiteral("plant files"), [this] { m_plant.load(); }));
    load.add(step(QStringLiteral("config"), [this] {
        m_config.readConfig([this](int show) { m_sms.VisibilidadAlm(show); });
        m_forwarding.setFastFailover(m_settings.FastFailover);
        m_forwarding.link().setTls(TlsSettings::fromIni(m_config.iniPath(), m_options.programFolder));
    }));
    load.add(step(QStringLiteral("UltOptimiza"), [this] {
        m_config.setUltOptimiza(m_status.UltOptimiza());
        m_form.lblUltOptimiza.setText(m_settings.UltOptimiza);
    }));
    load.add(step(QStringLiteral("optimiza schedule"), [this] {
        m_config.readOptimizaSchedule();
        m_caption.applyOptimiza();
    }));
    load.add(step(QStringLiteral("SMS"), [this] {
        m_config.readSmsEntries();
        m_watchdog.appendDriveToFreeLabel();
    }));
    load.add(step(QStringLiteral("status"), [this] { m_flags = m_status.readFlags(); }));
    load.add(step(QStringLiteral("SMS mode"), [this] { m_sms.RestauraModoSMS(); }));
    load.add(step(QStringLiteral("plant name"), [this] { m_forwarding.readPlantName(); }));
    load.add(step(QStringLiteral("tray caption"), [this] { m_tray.setCaption(trayCaption()); }));
    load.add({QStringLiteral("ultcod"), [this] { return m_forwarding.scan().startupCheck(); }});
    load.add(step(QStringLiteral("ChkAdquisicion"), [this] { m_watchdog.setChkAdquisicion(true); }));
    load.add(step(QStringLiteral("start line"), [this] { m_log.start(); }));
}

bool Agent::previousInstance() {
    const SingleInstance::Result held = m_instance.acquire();
    if (held == SingleInstance::Result::Failed)
        m_dialogs.message(Dialogs::Icon::Critical, Dialogs::errorTitle, m_instance.errorText());
    if (held != SingleInstance::Result::Acquired)
        return false;
    // Said only by the copy that runs: a second copy ends without a word.
    qCInfo(lcAgent).noquote() << QStringLiteral(
                                     "inicio: vornnet %1, carpeta %2, base de datos %3, centrales %4")
                                     .arg(QStringLiteral(VORNNET_VERSION),
                                          QDir::toNativeSeparators(m_options.programFolder),
                                          m_db.targetText(), m_config.stationsText());
    return true;
}

bool Agent::settingsUsable() {
    QString problem;
    const QString ini = m_config.iniPath();
    if (!QFileInfo::exists(ini)) {
        problem = QStringLiteral("No existe %1: escríbalo antes de arrancar el agente (vornnet --check lo "
                                 "comprueba)")
                      .arg(QDir::toNativeSeparators(ini));
    } else {
        const QString engine =
            LeeIni(ini, QStringLiteral("CONFIG"), QString::fromLatin1(ConfigKeys::DbEngine));
        const ConfigRules::Reading r = ConfigRules::read(QString::fromLatin1(ConfigKeys::DbEngine), engine);
        if (r.severity == ConfigRules::Severity::Failure)
            problem = r.note + QStringLiteral(": escriba DbEngine=odbc o DbEngine=sqlite en ") +
                      QDir::toNativeSeparators(ini);
    }
    if (problem.isEmpty())
        return true;
    qCCritical(lcAgent).noquote() << problem;
    m_log.stepError(QStringLiteral("arranque"), problem);
    m_dialogs.message(Dialogs::Icon::Critical, QStringLiteral("Vorn-Net"), problem);
    return false;
}

Form1Load::Outcome Agent::load() {
    m_load = std::make_unique<Form1Load>(m_clock, m_dialogs);
    m_load->setCancelled([this] { return m_unloaded; });
    buildLoad(*m_load);
    const Form1Load::Outcome outcome = m_load->run();
    if (outcome == Form1Load::Outcome::Loaded || outcome == Form1Load::Outcome::Stopped) {
        m_form.form1.setVisible(true);
        tmrHide.start();
        m_scheduler.loadFinished();
        m_tray.loaded();
        if (outcome == Form1Load::Outcome::Loaded)
            startForwarding();
        else
            tellIncomplete();
    }
    return outcome;
}

void Agent::startForwarding() {
    m_alarmPoll.start(std::chrono::milliseconds(m_settings.AlarmPollMs));
}

QString Agent::incompleteStartup() const {
    if (!m_load || loadComplete() || !m_load->failure())
        return {};
    return QStringLiteral("Arranque incompleto: paso %1: %2")
        .arg(m_load->failure()->step, m_load->failure()->description);
}

void Agent::tellIncomplete() {
    const QString text = incompleteStartup();
    m_form.txtError.setText(text);
    if (text == m_incompleteTold)
        return;
    m_incompleteTold = text;
    qCWarning(lcAgent).noquote() << text + QStringLiteral(": no se envía nada hasta que el arranque termine; "
                                                          "se vuelve a probar en cada ciclo");
    m_log.write(text);
}

void Agent::resumeLoad() {
    if (!m_load || loadComplete() || m_unloaded)
        return;
    const Form1Load::Outcome outcome = m_load->resume();
    switch (outcome) {
    case Form1Load::Outcome::Loaded:
        qCInfo(lcAgent) << "arranque completado";
        m_form.txtError.setText(QString());
        m_incompleteTold.clear();
        startForwarding();
        break;
    case Form1Load::Outcome::Stopped:
        tellIncomplete();
        break;
    case Form1Load::Outcome::EndProgram:
        // A step told why (a replaced database): the program ends as at start-up.
        unload();
        emit quitRequested(1);
        break;
    case Form1Load::Outcome::EndSilently:
        break;
    }
}

std::optional<qint64> Agent::alarmPosition() const {
    return UltCodFile(m_options.programFolder, UltCodFile::Kind::Alarms, m_form.txtPlanta.text()).read();
}

QString Agent::trayCaption() const {
    return Tray::stationCaption(m_form.IpQuarn.text(),
                                QString::number(ConfigRules::port(m_form.lblPuerto.text())));
}

void Agent::tmrHideTick() {
    if (!m_settings.noMinimize)
        hideWindow();
    tmrHide.stop();
    m_watchdog.ActualizaDatosVida();
}

void Agent::btnconfigurarClick() {
    const AlarmPoll::Hold saving = m_alarmPoll.hold();
    m_configScreen.btnconfigurarClick();
    m_tray.setCaption(trayCaption());
}

void Agent::btnCerrarClick() {
    if (!m_configScreen.askCode())
        return;
    unload();
    emit quitRequested(0);
}

void Agent::Command1Click() {
    hideWindow();
}

void Agent::closeBoxClick() {
    hideWindow();
}

void Agent::hideWindow() {
    m_configScreen.leave();
    m_tray.hideWindow();
}

void Agent::mnuVornnetClick() {
    m_form.form1.setVisible(true);
}

void Agent::Image1Click() {
    // A manual run while a scheduler run (or another manual run) waits inside one of its steps would
    // interleave two deliveries on the same links: ignored.
    if (m_manualRun || m_scheduler.running() || m_forwarding.scan().running())
        return;
    m_manualRun = true;
    const auto done = qScopeGuard([this] { m_manualRun = false; });
    manualRun();
}

void Agent::manualRun() {
    m_watchdog.ActualizaDatosVida();
    if (loadComplete()) {
        m_forwarding.scan().BuscaAlarmas();
        m_forwarding.lifeTest().SendSynchroTime();
    }
    m_watchdog.ActualizaIcoNetActivo();
}

void Agent::Label5Click() {
    m_forwarding.Label5Click();
}

void Agent::lblTimeClick() {
    m_watchdog.lblTimeClick();
}

void Agent::btnReindexClick() {
    const AlarmPoll::Hold reindexing = m_alarmPoll.hold();
    m_maintenance.btnReindex_Click();
}

void Agent::btnRepHistClick() {
    const AlarmPoll::Hold repairing = m_alarmPoll.hold();
    m_maintenance.btnRepHist_Click();
}

void Agent::btnLogClick() {
    m_logFolder.btnLogClick(m_log.folder());
}

void Agent::unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    // Unload may come from inside a step's wait (a signal, Cerrar): what runs on after it returns must
    // neither wait out the link nor open the databases again.
    m_scheduler.stop();
    m_alarmPoll.stop();
    m_forwarding.stop();
    m_sms.stop();
    m_watchdog.stop();
    m_maintenance.stop();
    m_db.abort();
    tmrHide.stop();
    m_db.close();
    m_forwarding.buffer().close();
    m_tray.unload();
}
