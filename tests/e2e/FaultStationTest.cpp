// Each way a central station fails, on all three links, then failover to A, then recovery: no alarm is
// lost and the order is kept. How each failed attempt is told is the link's unit tests'.
#include "support/ProcessHarness.h"

TEST(FaultInjection, EachStationModeThenFailoverThenRecovery) {
    ProcessHarness f({.test = "EachStationModeThenFailoverThenRecovery"});
    Station p, a, b;
    for (auto [station, suffix] : {std::pair{&p, ""}, {&a, "A"}, {&b, "B"}})
        ASSERT_TRUE(f.startStation(*station, suffix));
    const qint64 start = f.addAlarms({1}).value(0);
    const auto agent = f.agent({.tickMs = 100, .linkWaitMs = 200});
    ASSERT_TRUE(f.waitPosition(start, 15s)) << agent->err;

    // Whether a station is "down" (no process) or misbehaves through its mode file.
    const auto set = [](Station& s, const QByteArray& mode) {
        if (mode == "down") {
            s.stop();
            return true;
        }
        if (s.process.state() == QProcess::NotRunning && !s.start())
            return false;
        s.setMode(mode);
        return true;
    };
    const auto runs = [&](int count) {
        for (int i = 0; i < count; ++i) {
            agent->out.clear();
            if (!agent->waitOutput("---\n", 20s))
                return false;
        }
        return true;
    };
    const QByteArray modes[] = {"down", "silent", "wrong", "split", "close", "refuse"};
    qint64 code = 1000;
    QList<qint64> added;
    for (const QByteArray& mode : modes) {
        SCOPED_TRACE(mode.constData());
        for (Station* s : {&p, &a, &b})
            ASSERT_TRUE(set(*s, mode));
        BoundedWait().pause(300ms); // the stations' mode poll
        const qint64 held = f.positionId();
        const QList<qint64> batch = ProcessHarness::codes(code, 2);
        code += 2;
        const QList<qint64> ids = f.addAlarms(batch);
        ASSERT_EQ(ids.size(), 2);
        added += batch;
        ASSERT_TRUE(runs(2));
        EXPECT_EQ(f.positionId(), held) << "nothing passes while every station fails";

        // Failover: A alone comes back and takes the held alarms, in order. Which link is tried when is
        // the link's unit tests'.
        const qsizetype before = a.alarms().size();
        ASSERT_TRUE(set(a, "echo"));
        ASSERT_TRUE(f.waitPosition(ids.last(), 30s)) << agent->err.right(2000);
        // A failing mode records what it refuses too, so the delivery is the end of what came since.
        const QList<qint64> since = ProcessHarness::codesOf(a.alarms().mid(before));
        EXPECT_EQ(since.mid(since.size() - batch.size()), batch) << "delivered by A";
    }
    ASSERT_TRUE(agent->stop());

    const QList<qint64> delivered = f.deliveredCodes();
    EXPECT_EQ(delivered, added) << "each alarm acknowledged once, in order";
    f.figures(QStringLiteral("modes=%1 alarms=%2 %3")
                  .arg(std::size(modes))
                  .arg(added.size())
                  .arg(Tally(added, delivered).text()));
}
