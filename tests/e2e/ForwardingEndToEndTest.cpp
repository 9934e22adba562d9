// The agent and the central-station stand-in as whole processes: a SIGTERM while a silent station holds a
// delivery for the link's full 20 s ends the agent at once, and the alarm in flight goes again after a
// restart. The alarm's way from the database to the wire is the unit tests' (tests/forwarding).
#include "support/ProcessHarness.h"

TEST(ForwardingEndToEnd, ASigtermMidDeliveryEndsTheAgentAtOnceAndLosesNothing) {
    ProcessHarness h;
    Station station;
    ASSERT_TRUE(h.startStation(station));
    const qint64 first = h.addAlarms({1}).value(0);
    auto a = h.agent({.tickMs = 300, .linkWaitMs = 20000});
    // The first run whole: its clock message goes before the station turns silent.
    ASSERT_TRUE(a->waitOutput("---\n", 20s)) << a->err;
    ASSERT_EQ(h.positionId(), first);

    station.setMode("silent");
    const qint64 held = h.addAlarms({2}).value(0);
    ASSERT_TRUE(pollUntil([&] { return !station.alarms().isEmpty(); }, 20s)) << "the delivery is in flight";
    ASSERT_TRUE(a->stop(3s)) << "a shutdown does not wait out the link";
    EXPECT_FALSE(QFile::exists(QDir(h.plant.program).filePath("vornnet.lock")));
    EXPECT_EQ(h.positionId(), first) << "an unacknowledged alarm is not passed over";
    station.setMode("echo");
    a = h.agent({.tickMs = 300, .linkWaitMs = 20000});
    ASSERT_TRUE(pollUntil([&] { return h.positionId() == held; }, 20s)) << a->err;
    EXPECT_EQ(ProcessHarness::codesOf(station.alarms()), (QList<qint64>{2, 2}));
}
