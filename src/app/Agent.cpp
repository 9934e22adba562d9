#include "app/Agent.h"

#include "core/Clock.h"
#include "core/Diagnostics.h"
#include "core/Dialogs.h"
#include "core/IniFile.h"

#include <QDir>

Agent::Agent(Options options, Dialogs& dialogs, const Clock& clock, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_dialogs(dialogs), m_clock(clock),
      m_log(m_options.programFolder, clock),
      m_config(m_options.programFolder, m_form, m_settings, dialogs, clock),
      m_configScreen(m_config.iniPath(), m_form, dialogs), m_instance(m_options.programFolder),
      m_db(
          SupervisionDb::Settings::fromIni(m_config.iniPath()), [this] { return installFolder(); }, m_log,
          dialogs),
      m_buffer(BufferDb::pathIn(m_options.programFolder), dialogs), m_link(m_form),
      m_lifeTest(m_form, clock, m_log, m_link, m_delivery), m_exclusions(m_config.iniPath()),
      m_scan({m_options.programFolder, m_form, m_settings, clock, m_log, dialogs, m_db, m_buffer, m_link,
              m_delivery, m_lifeTest, m_exclusions}),
      m_scheduler(m_form.lblProceso, Reindexando) {
    m_link.setConnectWait(m_options.linkWait);
    m_link.setReplyWait(m_options.linkWait);
    m_db.setRetryWindow(m_options.dbRetryWindow);
    m_scheduler.setPeriod(m_options.tick);
    m_scheduler.steps().BuscaAlarmas = [this] { m_scan.BuscaAlarmas(); };
    m_scheduler.steps().SubSynchro = [this] { m_lifeTest.SubSynchro(); };
    // Timer3 counts from the window's creation; its first run waits for the load to finish.
    m_scheduler.start();

    tmrHide.setSingleShot(true);
    tmrHide.setInterval(static_cast<int>(m_options.hideDelay.count()));
    connect(&tmrHide, &QTimer::timeout, this, &Agent::tmrHideTick);
}

Agent::~Agent() {
    unload();
}

QString Agent::installFolder() const {
    // The databases open before the settings reach the window: read the path from the file meanwhile.
    QString path = m_form.txtPathGelmar.text();
    if (path.isEmpty())
        path = LeeIni(m_config.iniPath(), QStringLiteral("CONFIG"), QStringLiteral("pathGelmar"));
    if (path.isEmpty())
        path = QString::fromUtf8(Configuration::defaultPathGelmar);
    return path;
}

void Agent::buildLoad(Form1Load& load) {
    load.add({QStringLiteral("caption"), [this] {
                  m_savedCaption = m_form.form1.text();
                  return true;
              }});
    load.add({QStringLiteral("NombreEstado"), [this] {
                  NombreEstado = CentralLink::NombreEstado();
                  return true;
              }});
    load.add({QStringLiteral("previous instance"), [this] { return previousInstance(); }, false,
              [this] { return salir; }});
    load.add({QStringLiteral("CarpetaLog"), [this] {
                  CarpetaLog = qEnvironmentVariable("TMP");
                  if (CarpetaLog.isEmpty())
                      CarpetaLog = qEnvironmentVariable("TEMP");
                  if (CarpetaLog.isEmpty())
                      CarpetaLog = m_options.programFolder;
                  m_log.setFolder(CarpetaLog);
                  return true;
              }});
    load.add({QStringLiteral("ConectaConDB"), [this] { return m_db.ConectaConDB(); }});
    load.add({QStringLiteral("buffer"),
              [this] {
                  m_buffer.open();
                  return true;
              },
              true});
    // Limits, groups and probe files join here with the plant subsystem.
    load.add({QStringLiteral("config"), [this] {
                  m_config.readConfig([this](int show) { VisibilidadAlm(show); });
                  return true;
              }});
    load.add({QStringLiteral("UltOptimiza"), [this] {
                  m_config.readUltOptimiza();
                  return true;
              }});
    load.add({QStringLiteral("optimiza schedule"), [this] {
                  m_config.readOptimizaSchedule();
                  m_config.applyOptimizaCaption(m_savedCaption);
                  return true;
              }});
    load.add({QStringLiteral("SMS"), [this] {
                  m_config.readSmsEntries();
                  m_config.appendDriveToFreeLabel();
                  return true;
              }});
    load.add({QStringLiteral("status"), [this] {
                  m_config.readStatusFlags();
                  m_delivery.FechaPrimerFallo = m_settings.FechaPrimerFallo;
                  return true;
              }});
    load.add({QStringLiteral("plant name"), [this] {
                  m_db.readPlantName(m_form);
                  return true;
              }});
    load.add({QStringLiteral("tray caption"), [this] {
                  emit trayCaptionChanged(trayCaption());
                  return true;
              }});
    load.add({QStringLiteral("ultcod"), [this] { return m_scan.startupCheck(); }});
    load.add({QStringLiteral("ChkAdquisicion"), [this] {
                  ChkAdquisicion = true;
                  return true;
              }});
    load.add({QStringLiteral("start line"), [this] {
                  m_log.start();
                  return true;
              }});
}

bool Agent::previousInstance() {
    const SingleInstance::Result held = m_instance.acquire();
    salir = held == SingleInstance::Result::OtherCopy;
    if (held == SingleInstance::Result::Failed)
        m_dialogs.message(Dialogs::Icon::Critical, QStringLiteral("Error Vorn-Net"), m_instance.errorText());
    if (held != SingleInstance::Result::Acquired)
        return false;
    // Said only by the copy that runs: a second copy ends without a word.
    qCInfo(lcAgent).noquote() << QStringLiteral("start: vornnet %1, folder %2, database %3, stations %4")
                                     .arg(QStringLiteral(VORNNET_VERSION),
                                          QDir::toNativeSeparators(m_options.programFolder),
                                          m_db.targetText(), m_config.stationsText());
    return true;
}

Form1Load::Outcome Agent::load() {
    Form1Load load(m_clock, m_dialogs);
    load.setCancelled([this] { return m_unloaded; });
    buildLoad(load);
    const Form1Load::Outcome outcome = load.run();
    m_loadedSteps = load.done();
    if (outcome == Form1Load::Outcome::Loaded || outcome == Form1Load::Outcome::Stopped) {
        m_form.form1.setVisible(true);
        tmrHide.start();
        m_scheduler.loadFinished();
    }
    return outcome;
}

QString Agent::trayCaption() const {
    return QStringLiteral("VornGelmarNet::") + m_form.IpQuarn.text() + QLatin1Char(':') +
           m_form.lblPuerto.text();
}

void Agent::tmrHideTick() {
    if (!m_settings.noMinimize)
        m_form.form1.setVisible(false);
    tmrHide.stop();
    // ActualizaDatosVida, the first status update, joins here with the watchdog.
}

void Agent::VisibilidadAlm(int show) {
    m_form.lblAlm.setVisible(show == 1);
    m_form.lblAlmVidas.setVisible(show == 1);
}

void Agent::btnconfigurarClick() {
    m_configScreen.btnconfigurarClick();
    emit trayCaptionChanged(trayCaption());
}

void Agent::btnCerrarClick() {
    if (!ConfigScreen::askCode(m_form))
        return;
    unload();
    emit quitRequested(0);
}

void Agent::Command1Click() {
    m_form.form1.setVisible(false);
}

void Agent::mnuVornnetClick() {
    m_form.form1.setVisible(true);
}

void Agent::Image1Click() {
    // A manual run while a scheduler run (or another manual run) waits inside one of its steps would
    // interleave two deliveries on the same links: ignored.
    if (m_manualRun || m_scheduler.running() || m_scan.running())
        return;
    m_manualRun = true;
    // The status update and the process indicators join here with the watchdog.
    m_scan.BuscaAlarmas();
    m_lifeTest.SendSynchroTime();
    m_manualRun = false;
}

void Agent::Label5Click() {
    m_db.label5Click(m_form);
}

void Agent::lblTimeClick() {
    m_form.lblTime.setText(QStringLiteral("1"));
}

void Agent::unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    // Unload may come from inside a step's wait (a signal, Cerrar): what runs on after it returns must
    // neither wait out the link nor open the databases again.
    m_scheduler.stop();
    m_scan.stop();
    m_link.abort();
    m_db.abort();
    tmrHide.stop();
    m_db.close();
    m_buffer.close();
}
