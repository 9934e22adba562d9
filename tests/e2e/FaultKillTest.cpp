// The agent killed (SIGKILL) at random moments while it forwards a backlog: no alarm is lost, each kill
// repeats at most the one alarm in flight, and the position file is whole after every kill.
#include "support/ProcessHarness.h"

TEST(FaultInjection, FiftyKillsDuringAThousandAlarmBacklog) {
    ProcessHarness f({.test = "FiftyKillsDuringAThousandAlarmBacklog"});
    // A slow station keeps a delivery in flight long enough for many kills to land inside one.
    Station station;
    ASSERT_TRUE(f.startStation(station, "", {"--delay-ms", "3"}));
    const qint64 start = f.addAlarms({1}).value(0);
    {
        const auto first = f.agent({.tickMs = 50, .linkWaitMs = 300});
        ASSERT_TRUE(f.waitPosition(start, 15s)) << first->err;
        ASSERT_TRUE(first->kill());
    }

    constexpr int backlog = 1000, kills = 50;
    const QList<qint64> codes = ProcessHarness::codes(100000, backlog);
    const QList<qint64> ids = f.addAlarms(codes);
    ASSERT_EQ(ids.size(), backlog);

    int malformed = 0, backwards = 0, withBacklog = 0;
    qint64 before = start;
    for (int k = 0; k < kills; ++k) {
        const auto a = f.agent({.tickMs = 50, .linkWaitMs = 300});
        if (k % 3 == 0) {
            // Anywhere in the start-up or the first deliveries.
            BoundedWait().pause(std::chrono::milliseconds(f.random.bounded(20, 400)));
        } else {
            // Inside the backlog, whatever the machine's speed: after a few more alarms have gone.
            const qint64 target = before + f.random.bounded(5, 30);
            pollUntil([&] { return f.positionId() >= target; }, 5s);
            BoundedWait().pause(std::chrono::milliseconds(f.random.bounded(0, 20)));
        }
        ASSERT_TRUE(a->kill());
        const qint64 now = f.positionId();
        malformed += now < 0;
        backwards += now >= 0 && now < before;
        EXPECT_GE(now, 0) << "after kill " << k << ": '" << f.position() << "'";
        before = std::max(before, now);
        withBacklog += now < ids.last();
    }
    const qint64 afterKills = before;

    const auto last = f.agent({.tickMs = 50, .linkWaitMs = 300});
    ASSERT_TRUE(f.waitPosition(ids.last(), 120s)) << f.position();
    // The kills may have sent the whole backlog: a run of its own first, so that SIGTERM finds it handled.
    ASSERT_TRUE(last->waitOutput("---\n") && last->stop()) << last->err;

    const Tally tally(codes, ProcessHarness::codesOf(station.alarms()));
    ASSERT_EQ(tally.foreign, 0) << "only the backlog";
    EXPECT_EQ(tally.lost, 0);
    EXPECT_LE(tally.duplicates, kills) << "at most the alarm in flight, once per kill";
    EXPECT_EQ(tally.outOfOrder, 0);
    EXPECT_EQ(malformed, 0);
    EXPECT_EQ(backwards, 0) << "the position never moves back";
    f.figures(QStringLiteral("kills=%1 kills-with-alarms-pending=%2 backlog=%3 forwarded-during-kills=%4 %5 "
                             "malformed-positions=%6")
                  .arg(kills)
                  .arg(withBacklog)
                  .arg(backlog)
                  .arg(ids.indexOf(afterKills) + 1)
                  .arg(tally.text())
                  .arg(malformed));
}
