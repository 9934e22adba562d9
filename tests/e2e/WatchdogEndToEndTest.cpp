// Whole processes: the agent watching a running gelmar-sim installation, its notices followed to the
// central station's record, its restarts followed in the process table. When and how often it restarts
// is the unit tests' (tests/watchdog); here, that a relaunch really happens and outlives the agent's session.
#include "core/text/Windows1252.h"
#include "support/ProcessHarness.h"
#include "watchdog/NoDataRestart.h"
#include "watchdog/ProcessTable.h"
#include "watchdog/StatusUpdate.h"

const QStringList supervisionProcesses = {"GSNET.EXE", "KOBSERVER.EXE", "PLXSERVER.EXE", "VQM.EXE"};

class WatchdogEndToEnd : public ::testing::Test {
protected:
    void TearDown() override {
        agent.reset();
        // Only what was started from this test's installation: the first server and every relaunch.
        for (const ProcessEntry& e : table.list())
            ProcessTable::terminate(e.pid);
    }

    QList<ProcessEntry> named(const QString& name) const {
        QList<ProcessEntry> found = table.list();
        found.removeIf([&](const ProcessEntry& e) { return e.name != name; });
        return found;
    }
    qint64 pidOf(const QString& name) const { return named(name).value(0).pid; }
    bool allRunning() const {
        const auto once = [&](auto& name) { return named(name).size() == 1; };
        return pollUntil([&] { return std::ranges::all_of(supervisionProcesses, once); }, 20s);
    }
    qsizetype count(const QString& text) const {
        return Windows1252::decode(station.recorded()).split('\n').filter(text).size();
    }

    ProcessHarness h{{.plant = "EDAR Sur", .alarmsOnly = false}};
    Station station;
    ProcessTable table;
    QProcess gsnet;
    std::unique_ptr<AgentProcess> agent;
};

TEST_F(WatchdogEndToEnd, LifeTestFollowsTheFirstUpdateAndAKilledServerIsAnnouncedAndRelaunchedOutside) {
    QString error;
    ASSERT_TRUE(GelmarInstall::install(h.plant.gelmar, "EDAR Sur", GELMAR_SIM_PATH, &error)) << error;
    table.setScope(h.plant.gelmar);
    ASSERT_TRUE(h.startStation(station));
    h.plant.config("ChkRestart", "1");
    // GSNET.EXE started by the test, as the plant's own start-up would; it brings up the others.
    gsnet.setWorkingDirectory(h.plant.gelmar);
    gsnet.start(QDir(h.plant.gelmar).filePath("GSNET.EXE"), {"--history-ms", "500"});
    ASSERT_TRUE(gsnet.waitForStarted(5000));
    ASSERT_TRUE(allRunning());
    const qint64 firstServer = pidOf("GSNET.EXE");
    agent = h.agent({.linkWaitMs = 2000, .env = {"VORNNET_RESTART_WAIT_MS=300"}});
    ASSERT_TRUE(pollUntil([&] { return count("##LIFETEST##") == 1; }, 20s)) << agent->err;
    EXPECT_EQ(count("##ALARM##0##1##" + StatusUpdate::acquisitionNotice), 0) << "the supervision records";

    // By hand, as an operator would: the process test finds it missing when its countdown runs out.
    ASSERT_TRUE(ProcessTable::terminate(pidOf("KOBSERVER.EXE")));
    const QString restarted = "##ALARM##0##1##" + NoDataRestart::notice + "##?##ADD##AVISO##";
    ASSERT_TRUE(pollUntil([&] { return count(restarted) == 1; }, 40s)) << agent->err;
    ASSERT_TRUE(pollUntil([&] { return pidOf("GSNET.EXE") != firstServer && pidOf("KOBSERVER.EXE"); }, 20s));
    ASSERT_TRUE(allRunning());

    const qint64 agentPid = agent->process.processId();
    const auto agentStat = ProcessTable::parseStat(readFile(QString("/proc/%1/stat").arg(agentPid)));
    ASSERT_TRUE(agentStat);
    for (const ProcessEntry& e : table.list())
        EXPECT_NE(e.ppid, agentPid) << e.name << " is a child of the agent";
    EXPECT_NE(named("GSNET.EXE").value(0).session, agentStat->session);
}
