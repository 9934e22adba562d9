#include "watchdog/ProcessPrimitives.h"
#include "Residents.h"
#include "core/AgentError.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

namespace {

class ProcessPrimitivesTest : public ::testing::Test {
protected:
    Residents r;
    RecordingDialogs dialogs;
    ProcessPrimitives baskill{r.table, dialogs};
};

} // namespace

TEST_F(ProcessPrimitivesTest, RunningTestMatchesTheBeginningOfTheNameWithoutRegardToCase) {
    ASSERT_GT(r.start("kobserver2.exe"), 0);
    ASSERT_GT(r.start("xgsnet.exe"), 0);
    const struct {
        const char* name;
        bool running;
    } cases[] = {{"KOBSE", true},      {"KOBSERVER.EXE", false}, {"kobserver2.EXE", true},
                 {"GSNET.EXE", false}, {"XGSNET", true},         {"PLXS", false}};
    for (const auto& c : cases)
        EXPECT_EQ(baskill.IsAppRunning(c.name), c.running) << c.name;
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ProcessPrimitivesTest, KillAppEndsEveryProcessWhoseNameEndsWithTheName) {
    const qint64 first = r.start("kobserver2.exe");
    const qint64 second = r.start("kobserver2.exe");
    const qint64 net = r.start("xgsnet.exe");
    const qint64 other = r.start("plxserver.exe");
    ASSERT_TRUE(first && second && net && other);

    EXPECT_FALSE(baskill.KillApp("KOBSERVER.EXE")) << "kobserver2.exe does not end with it";
    EXPECT_TRUE(baskill.KillApp("GSNET.EXE"));
    EXPECT_TRUE(baskill.KillApp("Kobserver2.exe"));
    for (qint64 pid : {first, second, net})
        EXPECT_TRUE(r.waitGone(pid)) << pid;
    EXPECT_TRUE(r.running(other));
    EXPECT_FALSE(baskill.KillApp("GSNET.EXE")) << "nothing left to match";
}

TEST_F(ProcessPrimitivesTest, KillAppWmiMatchesTheWholeNameAndEndsOnlyTheFirstUnlessAllAreAsked) {
    QList<qint64> pids;
    for (int i = 0; i < 3; ++i)
        pids << r.start("VQM2.EXE");
    ASSERT_FALSE(pids.contains(0));

    EXPECT_FALSE(baskill.KillAppWmi("VQM", false)) << "a part of the name is no match";
    EXPECT_TRUE(baskill.KillAppWmi("vqm2.exe", false));
    // The first one listed is the lowest id among them.
    const qint64 lowest = *std::min_element(pids.begin(), pids.end());
    EXPECT_TRUE(r.waitGone(lowest));
    pids.removeOne(lowest);
    for (qint64 pid : pids)
        EXPECT_TRUE(r.running(pid)) << pid;

    EXPECT_TRUE(baskill.KillAppWmi("VQM2.EXE", true));
    for (qint64 pid : pids)
        EXPECT_TRUE(r.waitGone(pid)) << pid;
}

TEST_F(ProcessPrimitivesTest, ProcessesThatCannotBeSignalledGiveFalse) {
    const qint64 pid = r.start("VQM2.EXE");
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(baskill.KillProcessById(pid, 0));
    ASSERT_TRUE(r.waitGone(pid));
    for (qint64 id : {pid, qint64(0), qint64(-1), qint64(1), qint64(1) << 40})
        EXPECT_FALSE(baskill.KillProcessById(id, 0)) << id;
}

TEST_F(ProcessPrimitivesTest, AnUnreadableTableShowsTheBoxesAndFindsNothing) {
    ProcessTable none("/nonexistent-proc");
    ProcessPrimitives broken(none, dialogs);
    EXPECT_FALSE(broken.IsAppRunning("GSNET.EXE"));
    EXPECT_FALSE(broken.KillApp("GSNET.EXE"));
    EXPECT_THROW(broken.KillAppWmi("GSNET.EXE", false), AgentError) << "the restart reports it";
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].text, "Error al comprobar si GSNET.EXE sigue cargado");
    EXPECT_EQ(dialogs.shown[1].text, "Error KillApp!");
}
