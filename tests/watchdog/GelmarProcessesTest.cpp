#include "watchdog/GelmarProcesses.h"
#include "WatchdogFixture.h"
#include "core/BoundedWait.h"

#include <QProcess>
#include <QScopeGuard>
#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QColor green(0, 255, 0), red(255, 0, 0), blue(0, 0, 255);

// A gelmar-sim installation this test runs, around the fixture's databases. Only processes started from
// its folder are seen, killed or relaunched.
class GelmarProcessesTest : public WatchdogFixture {
protected:
    void SetUp() override {
        WatchdogFixture::SetUp();
        QString error;
        ASSERT_TRUE(GelmarInstall::install(plant.gelmar, "P", GELMAR_SIM_PATH, &error))
            << error.toStdString();
        processes.setRestartWait(300ms);
    }
    void TearDown() override {
        gsnet.kill();
        gsnet.waitForFinished(5000);
        for (const ProcessEntry& e : table.list())
            ProcessTable::terminate(e.pid);
    }
    // GSNET.EXE as the test's own child; it brings up the other servers.
    void startSupervision() {
        gsnet.setWorkingDirectory(plant.gelmar);
        gsnet.start(QDir(plant.gelmar).filePath("GSNET.EXE"), {"--history-ms", "200"});
        ASSERT_TRUE(gsnet.waitForStarted(5000));
        ASSERT_TRUE(allRunning());
    }
    QList<ProcessEntry> named(const QString& name) const {
        QList<ProcessEntry> found;
        for (const ProcessEntry& e : table.list())
            if (e.name.compare(name, Qt::CaseInsensitive) == 0)
                found << e;
        return found;
    }
    bool allRunning() const {
        return BoundedWait().until(
            [&] {
                for (const char* name : {"GSNET.EXE", "KOBSERVER.EXE", "PLXSERVER.EXE", "VQM.EXE"})
                    if (named(name).size() != 1)
                        return false;
                return true;
            },
            10s);
    }
    void killOne(const QString& name) {
        const QList<ProcessEntry> found = named(name);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        ASSERT_TRUE(ProcessTable::terminate(found[0].pid));
        ASSERT_TRUE(BoundedWait().until([&] { return named(name).isEmpty(); }, 5s));
    }
    QList<QColor> lights() const {
        return {form.shapeOk1.background(), form.shapeOk2.background(), form.shapeOk3.background()};
    }

    QProcess gsnet;
    GelmarProcesses processes{form, settings, baskill, log, clock};
};

} // namespace

TEST_F(GelmarProcessesTest, LightsAndProcessTestFollowTheServersAndWebMode) {
    processes.ActualizaIcoNetActivo();
    EXPECT_EQ(lights(), (QList<QColor>{red, red, red}));
    EXPECT_FALSE(processes.TestVidaNet());

    startSupervision();
    processes.ActualizaIcoNetActivo();
    EXPECT_EQ(lights(), (QList<QColor>{green, green, green}));
    EXPECT_TRUE(processes.TestVidaNet());

    killOne("GSNET.EXE");
    const struct {
        bool webMode;
        QList<QColor> lights;
        bool test;
    } cases[] = {{false, {red, green, green}, false}, {true, {blue, green, green}, true}};
    for (const auto& c : cases) {
        settings.WebMode = c.webMode;
        processes.ActualizaIcoNetActivo();
        EXPECT_EQ(lights(), c.lights) << c.webMode;
        EXPECT_EQ(processes.TestVidaNet(), c.test) << c.webMode;
    }
    killOne("PLXSERVER.EXE");
    EXPECT_FALSE(processes.TestVidaNet()) << "web mode spares only the network server";
}

TEST_F(GelmarProcessesTest, CountdownRunsTheTestAtZeroAndStartsAgainAt30) {
    const struct {
        bool restartOn;
        const char* before;
        bool supervisionUp;
        const char* after;
        bool result;
    } ticks[] = {
        {false, "1", false, "1", true}, // restarts off: the countdown stands still
        {true, "5", false, "4", true},   {true, "1", false, "30", false},
        {true, "0", false, "30", false}, {true, "--", false, "30", false}, // reads as 0
        {true, "1", true, "30", true},
    };
    for (const auto& t : ticks) {
        if (t.supervisionUp && gsnet.state() == QProcess::NotRunning)
            startSupervision();
        form.chkRestart.setChecked(t.restartOn);
        form.lblTime.setText(t.before);
        EXPECT_EQ(processes.checkNetActivo(), t.result) << t.before;
        EXPECT_EQ(form.lblTime.text(), t.after) << t.before;
    }
}

TEST_F(GelmarProcessesTest, RestartKillsTheSystemAndRelaunchesItOutsideTheAgent) {
    startSupervision();
    QList<qint64> before;
    for (const ProcessEntry& e : table.list())
        before << e.pid;

    processes.ReiniciaGelmar();
    ASSERT_TRUE(allRunning()) << form.txtError.text().toStdString();
    for (const ProcessEntry& e : table.list()) {
        EXPECT_FALSE(before.contains(e.pid)) << e.name.toStdString() << " was not restarted";
        EXPECT_NE(e.ppid, getpid()) << e.name.toStdString() << " is a child of the agent";
    }
    const ProcessEntry net = named("GSNET.EXE").value(0);
    EXPECT_NE(net.session, getsid(0)) << "the network server has a session of its own";
    EXPECT_EQ(QFileInfo("/proc/" + QString::number(net.pid) + "/cwd").symLinkTarget(),
              QFileInfo(plant.gelmar).absoluteFilePath());
    EXPECT_EQ(form.txtError.text(), "");
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(GelmarProcessesTest, FailedRelaunchIsShownAndLoggedOnceAndTheAgentGoesOn) {
    const QString exe = QDir(plant.gelmar).filePath("GSNET.EXE");
    const QString noFolder = plant.root.filePath("nowhere");
    QFile::remove(exe);
    QFile plain(exe);
    const struct {
        std::function<void()> arrange;
        QString folder;
        QString error;
    } cases[] = {
        {[] {}, plant.gelmar, "No se encuentra " + exe},
        {[&] {
             ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
             plain.close();
             QFile::setPermissions(exe, QFile::ReadOwner | QFile::WriteOwner);
         },
         plant.gelmar, exe + " no es ejecutable"},
        {[] {}, noFolder, "No se encuentra la carpeta de Gelmar " + noFolder},
    };
    for (const auto& c : cases) {
        c.arrange();
        form.txtPathGelmar.setText(c.folder);
        for (int twice = 0; twice < 2; ++twice) {
            processes.ReiniciaGelmar();
            EXPECT_EQ(form.txtError.text(), "Error al reiniciar Gelmar: " + c.error);
        }
    }
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 3) << "one line per distinct error: " << lines.join("\n").toStdString();
    EXPECT_TRUE(lines[0].startsWith("Error al reiniciar Gelmar: No se encuentra " + exe + " Hora: "));
}

TEST_F(GelmarProcessesTest, AcquisitionNeedsTheFlagAndTheNetworkServerAndWaitsWhileSuspended) {
    const QString stopped = "SISTEMA|" + StatusUpdate::acquisitionNotice;
    const auto setFault = [&](const char* value) {
        IniFile::write(GelmarInstall::faultsPath(plant.gelmar), "FAULTS", "acquisition", value);
        const QString flag = value == QLatin1String("on") ? "1" : "0";
        ASSERT_TRUE(BoundedWait().until(
            [&] {
                return IniFile::read(GelmarInstall::gsIniPath(plant.gelmar), "STATUS", "acquisition") == flag;
            },
            5s));
    };
    startSupervision();
    status.ActualizaDatosVida();
    EXPECT_EQ(form.lblEstadoAdquisicion.text(), "Registrando...");
    EXPECT_EQ(form.lblEstadoAdquisicion.foreground(), green);
    EXPECT_EQ(form.TiempoDetenido.text(), "0");
    EXPECT_TRUE(status.AdquisicionOK());

    setFault("off");
    status.ActualizaDatosVida();
    status.ActualizaDatosVida();
    EXPECT_EQ(form.lblEstadoAdquisicion.text(), "Detenido");
    EXPECT_EQ(notices(), QStringList{stopped + "|1"});
    EXPECT_EQ(statusIni("Acquisition"), "0");

    // Suspended while maintenance has the system stopped: nothing changes, whatever it reports.
    setFault("on");
    chkAdquisicion = false;
    status.ActualizaDatosVida();
    EXPECT_EQ(notices().size(), 1);
    EXPECT_FALSE(status.AdquisicionOK());
    chkAdquisicion = true;
    status.ActualizaDatosVida();
    EXPECT_EQ(notices(), (QStringList{stopped + "|1", stopped + "|0"}));

    // A network server that is gone while GS.INI still says "1" (killed: it could not clear it).
    killOne("GSNET.EXE");
    ASSERT_EQ(IniFile::read(GelmarInstall::gsIniPath(plant.gelmar), "STATUS", "acquisition"), "1");
    status.ActualizaDatosVida();
    EXPECT_EQ(form.lblEstadoAdquisicion.text(), "Detenido");
    EXPECT_EQ(notices().size(), 3);
}
