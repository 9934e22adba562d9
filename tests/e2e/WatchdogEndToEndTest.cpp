// Whole processes: the agent watching a running gelmar-sim installation, its notices followed to the
// central station's record, its restarts followed in the process table.
#include "core/SupervisionSql.h"
#include "core/Windows1252.h"
#include "forwarding/AlarmScan.h"
#include "forwarding/BufferDb.h"
#include "support/ProcessHarness.h"
#include "support/RecordingDialogs.h"
#include "watchdog/NoDataRestart.h"
#include "watchdog/ProcessTable.h"
#include "watchdog/StatusUpdate.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString simPath = GELMAR_SIM_PATH;
const QStringList supervisionProcesses = {"GSNET.EXE", "KOBSERVER.EXE", "PLXSERVER.EXE", "VQM.EXE"};

class WatchdogEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(GelmarInstall::install(plant.gelmar, "EDAR Sur", simPath, &error)) << error.toStdString();
        table.setScope(plant.gelmar);
        ASSERT_TRUE(station.start());
        h.point("", station.port);
    }
    void TearDown() override {
        agentProcess.reset();
        // Only what was started from this test's installation: the first server and every relaunch.
        for (const ProcessEntry& e : table.list())
            ProcessTable::terminate(e.pid);
    }

    // GSNET.EXE started by the test, as the plant's own start-up would; it brings up the others.
    void startSupervision() {
        gsnet.setWorkingDirectory(plant.gelmar);
        gsnet.start(QDir(plant.gelmar).filePath("GSNET.EXE"), {"--history-ms", "500"});
        ASSERT_TRUE(gsnet.waitForStarted(5000));
        ASSERT_TRUE(allRunning());
    }
    int ctl(const QStringList& args) const {
        return QProcess::execute(simPath, QStringList{"ctl", plant.gelmar} + args);
    }
    bool gsIniSays(const QString& value) const {
        return waitFor([&] {
            return IniFile::read(GelmarInstall::gsIniPath(plant.gelmar), "STATUS", "acquisition") == value;
        });
    }

    QList<ProcessEntry> named(const QString& name) const {
        QList<ProcessEntry> found;
        for (const ProcessEntry& e : table.list())
            if (e.name.compare(name, Qt::CaseInsensitive) == 0)
                found << e;
        return found;
    }
    qint64 pidOf(const QString& name) const { return named(name).value(0).pid; }
    bool allRunning() const {
        return waitFor([&] {
            return std::all_of(supervisionProcesses.begin(), supervisionProcesses.end(),
                               [&](const QString& name) { return named(name).size() == 1; });
        });
    }

    AgentProcess& startAgent(int tickMs) {
        agentProcess =
            h.agent({.tickMs = tickMs, .linkWaitMs = 2000, .env = {"VORNNET_RESTART_WAIT_MS=300"}});
        return *agentProcess;
    }
    // Ends the agent; its standard output.
    QByteArray stopAgent() {
        agentProcess->terminate();
        EXPECT_TRUE(agentProcess->waitFinished());
        EXPECT_EQ(agentProcess->process.exitCode(), 0) << agentProcess->err.toStdString();
        const QByteArray out = agentProcess->out;
        agentProcess.reset();
        return out;
    }
    // Waits for n more complete scheduler runs of the running agent.
    bool runs(int n) {
        const qsizetype seen = agentProcess->out.count("---\n");
        return waitFor([&] { return agentProcess->out.count("---\n") >= seen + n; });
    }

    QStringList messages() const { return Windows1252::decode(station.recorded()).split('\n'); }
    qsizetype notices(const QString& device, const QString& text, const char* state) const {
        const QString body =
            "##ALARM##0##" + QString::fromLatin1(state) + "##" + text + "##?##ADD##" + device + "##";
        return messages().filter(body).size();
    }
    qsizetype lifeTests() const { return messages().filter("##LIFETEST##").size(); }
    qsizetype bufferedRestarts() const {
        RecordingDialogs none;
        BufferDb buffer(BufferDb::pathIn(plant.program), none);
        buffer.open();
        const QList<BufferRow> rows = buffer.rowsAfter(0, QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
        return std::count_if(rows.begin(), rows.end(),
                             [](const BufferRow& r) { return r.device == "AVISO"; });
    }

    ProcessHarness h{{.plant = "EDAR Sur", .alarmsOnly = false}};
    const TestPlant& plant = h.plant;
    Station station;
    ProcessTable table;
    QProcess gsnet;
    std::unique_ptr<AgentProcess> agentProcess;
};

} // namespace

TEST_F(WatchdogEndToEnd, LifeTestFollowsTheFirstUpdateAndAKilledServerIsAnnouncedAndRelaunchedOutside) {
    plant.config("ChkRestart", "1");
    startSupervision();
    const qint64 firstServer = pidOf("GSNET.EXE");
    AgentProcess& agent = startAgent(200);
    ASSERT_TRUE(waitFor([&] { return lifeTests() == 1; })) << agent.err.toStdString();
    EXPECT_EQ(notices("SISTEMA", StatusUpdate::acquisitionNotice, "1"), 0)
        << "the supervision system records";
    const qint64 agentPid = agent.process.processId();

    // By hand, as an operator would: the process test finds it missing when its countdown runs out.
    ASSERT_TRUE(ProcessTable::terminate(pidOf("KOBSERVER.EXE")));
    const QString restarted = NoDataRestart::notice;
    ASSERT_TRUE(waitFor([&] { return notices("AVISO", restarted, "1") == 1; }, 40s))
        << agent.err.toStdString();
    ASSERT_TRUE(waitFor([&] { return pidOf("GSNET.EXE") != firstServer && pidOf("KOBSERVER.EXE") != 0; }));
    ASSERT_TRUE(allRunning());

    const auto agentStat = ProcessTable::parseStat(readFile(QString("/proc/%1/stat").arg(agentPid)));
    ASSERT_TRUE(agentStat);
    for (const ProcessEntry& e : table.list())
        EXPECT_NE(e.ppid, agentPid) << e.name.toStdString() << " is a child of the agent";
    EXPECT_NE(named("GSNET.EXE").value(0).session, agentStat->session);

    // The records go on, the processes run: no further restart.
    ASSERT_TRUE(runs(35));
    EXPECT_EQ(notices("AVISO", restarted, "1"), 1);
    EXPECT_EQ(named("GSNET.EXE").size(), 1);
}

TEST_F(WatchdogEndToEnd, StoppedRecordingRestartsOncePerThresholdOfTicks) {
    plant.config("ChkRestart", "1"); // threshold MinNoData: 30 ticks, its least
    ASSERT_EQ(ctl({"stop-recording"}), 0);
    startSupervision();
    // The process test fails on the same tick as the first no-data test: still one restart.
    ASSERT_TRUE(ProcessTable::terminate(pidOf("KOBSERVER.EXE")));
    AgentProcess& agent = startAgent(100);
    const QString restarted = NoDataRestart::notice;
    ASSERT_TRUE(waitFor([&] { return notices("AVISO", restarted, "1") >= 2; }, 60s))
        << agent.err.toStdString();
    const QByteArray out = stopAgent();

    // Every 30th tick, and only then, one notice and one restart.
    const qsizetype ticks = out.count("Test Net Activo\n");
    const qsizetype restarts = bufferedRestarts();
    // A signal may end the agent after a tick has named the step but before it ran it.
    const bool lastNamedNotRun = ticks % 30 == 0 && restarts == ticks / 30 - 1;
    EXPECT_TRUE(restarts == ticks / 30 || lastNamedNotRun) << ticks << " ticks, " << restarts << " restarts";
    EXPECT_GE(restarts, 2);
    EXPECT_TRUE(allRunning()) << "the last restart brought every process back: ";
}

TEST_F(WatchdogEndToEnd, AcquisitionOffIsToldOnceAcrossAgentRestartsAndItsEndAtTheFirstUpdateAfter) {
    startSupervision();
    const QString stopped = StatusUpdate::acquisitionNotice;
    ASSERT_EQ(ctl({"acquisition", "off"}), 0);
    ASSERT_TRUE(gsIniSays("0"));

    startAgent(300);
    ASSERT_TRUE(waitFor([&] { return notices("SISTEMA", stopped, "1") == 1; }));
    stopAgent();
    EXPECT_EQ(h.statusIni("Acquisition"), "0");

    // Still off at the next start: the flag read from status.ini holds the notice back.
    startAgent(300);
    ASSERT_TRUE(waitFor([&] { return lifeTests() == 2; })) << "the first update has run";
    ASSERT_TRUE(runs(2));
    stopAgent();
    EXPECT_EQ(notices("SISTEMA", stopped, "1"), 1);

    ASSERT_EQ(ctl({"acquisition", "on"}), 0);
    ASSERT_TRUE(gsIniSays("1"));
    startAgent(300);
    ASSERT_TRUE(waitFor([&] { return notices("SISTEMA", stopped, "0") == 1; }));
    ASSERT_TRUE(runs(2));
    stopAgent();
    EXPECT_EQ(notices("SISTEMA", stopped, "1"), 1);
    EXPECT_EQ(h.statusIni("Acquisition"), "1");
}

TEST_F(WatchdogEndToEnd, FutureDatesRestartOncePerEpisodeWithOneBeginAndOneEndNotice) {
    plant.config("ControlFechasFuturas", "1");
    startSupervision();
    const QString future = AlarmScan::futureNotice;
    ASSERT_EQ(ctl({"future-dates", "on"}), 0);
    const auto newestInFuture = [&] {
        bool ahead = false;
        {
            QSqlDatabase h = QSqlDatabase::addDatabase("QSQLITE", "history-reader");
            h.setDatabaseName(GelmarInstall::databasePath(plant.gelmar, GelmarInstall::acquired));
            QSqlQuery q(h);
            if (h.open() && q.exec("SELECT Timestamp FROM HistoricalData ORDER BY ID_histreg DESC LIMIT 1") &&
                q.next())
                ahead = SupervisionSql::toDateTime(q.value(0)) > QDateTime::currentDateTime().addSecs(3600);
        }
        QSqlDatabase::removeDatabase("history-reader");
        return ahead;
    };
    ASSERT_TRUE(waitFor(newestInFuture));
    const qint64 recording = pidOf("GSNET.EXE");

    startAgent(300);
    ASSERT_TRUE(waitFor([&] { return notices("SISTEMA", future, "1") == 1; }));
    ASSERT_TRUE(waitFor([&] { return pidOf("GSNET.EXE") != recording && pidOf("GSNET.EXE") != 0; }));
    ASSERT_TRUE(allRunning());
    const qint64 relaunched = pidOf("GSNET.EXE");
    ASSERT_TRUE(runs(3));
    stopAgent();
    EXPECT_EQ(h.statusIni("Time"), "0");

    // The same episode at the next start: no notice, no restart.
    startAgent(300);
    ASSERT_TRUE(waitFor([&] { return lifeTests() == 2; }));
    ASSERT_TRUE(runs(2));
    stopAgent();
    EXPECT_EQ(pidOf("GSNET.EXE"), relaunched);

    ASSERT_EQ(ctl({"future-dates", "off"}), 0);
    ASSERT_TRUE(waitFor([&] { return !newestInFuture(); }));
    startAgent(300);
    ASSERT_TRUE(waitFor([&] { return notices("SISTEMA", future, "0") == 1; }));
    ASSERT_TRUE(runs(2));
    stopAgent();
    EXPECT_EQ(notices("SISTEMA", future, "1"), 1);
    EXPECT_EQ(pidOf("GSNET.EXE"), relaunched) << "the episode's end restarts nothing";
    EXPECT_EQ(h.statusIni("Time"), "1");
}
