#include "support/TestCommon.h"

#include "core/model/Control.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/StepRunner.h"
#include "forwarding/AlarmPoll.h"

// A plant seen through the poll's parts: the position file, the newest id, and a scan that hands on
// everything up to the newest unless told to leave it (an excluded alarm).
struct Plant {
    std::optional<qint64> position = 10;
    std::optional<qint64> newest = 10;
    bool busy = false;
    bool outage = false;
    bool failLook = false;
    bool scanLeavesIt = false;
    int scans = 0;
    std::function<void()> duringScan;

    AlarmPoll::Parts parts(Control* indicator = nullptr) {
        return {[this] { return position; },
                [this]() -> std::optional<qint64> {
                    if (failLook)
                        throw AgentError(AgentError::Unspecified, QStringLiteral("connection lost"));
                    return newest;
                },
                [this] {
                    ++scans;
                    if (duringScan)
                        duringScan();
                    if (!scanLeavesIt)
                        position = newest;
                },
                [this] { return busy; },
                [this] { return outage; },
                indicator};
    }
};

TEST(AlarmPoll, ALookScansOnlyForANewAlarmAndOnlyWhenNothingElseRuns) {
    const struct {
        const char* what;
        std::optional<qint64> position, newest;
        bool busy, outage, held, failLook;
        int scans;
        bool lookInsideTheScan = false;
    } cases[] = {
        {"new alarm", 10, 11, false, false, false, false, 1},
        {"nothing new", 11, 11, false, false, false, false, 0},
        {"empty table", 10, std::nullopt, false, false, false, false, 0},
        {"before the first start", std::nullopt, 11, false, false, false, false, 0},
        {"a run in progress", 10, 11, true, false, false, false, 0},
        {"an outage", 10, 11, false, true, false, false, 0},
        {"held by the configuration screen", 10, 11, false, false, true, false, 0},
        {"the look fails", 10, 11, false, false, false, true, 0},
        {"a tick inside the scan's wait", 10, 11, false, false, false, false, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Plant plant{c.position, c.newest, c.busy, c.outage, c.failLook};
        AlarmPoll poll(plant.parts());
        std::optional<AlarmPoll::Hold> hold;
        if (c.held)
            hold.emplace(poll.hold());
        if (c.lookInsideTheScan)
            plant.duringScan = [&] {
                plant.newest = 12; // an alarm that comes while the scan waits
                poll.look();
            };
        poll.look();
        poll.look(); // the scan moved the position, or nothing changed: never a second scan
        EXPECT_EQ(plant.scans, c.scans);
    }
}

TEST(AlarmPoll, DroppedLooksAreNotQueuedAndALeftAlarmDoesNotScanAgain) {
    Plant plant{10, 11, true};
    AlarmPoll poll(plant.parts());
    for (int i = 0; i < 3; ++i)
        poll.look();
    EXPECT_EQ(plant.scans, 0);
    plant.busy = false;
    poll.look();
    EXPECT_EQ(plant.scans, 1) << "one scan once free, however many looks were dropped";

    // An excluded alarm leaves the position below the newest: the looks after it do not scan again
    // until a newer alarm comes.
    plant.scanLeavesIt = true;
    plant.newest = 12;
    poll.look();
    poll.look();
    EXPECT_EQ(plant.scans, 2);
    plant.newest = 13;
    poll.look();
    EXPECT_EQ(plant.scans, 3);

    // A look failed a while: the next one that works still finds the alarm.
    plant.newest = 14;
    plant.failLook = true;
    poll.look();
    plant.failLook = false;
    poll.look();
    EXPECT_EQ(plant.scans, 4);
}

TEST(AlarmPoll, NoScanDuringASchedulerRunAndANewAlarmGoesBeforeTheNextRun) {
    Plant plant;
    StepRunner scheduler;
    bool inRun = false;
    int scansInRun = 0;
    // The scheduler's run waits inside a step, letting events (the poll's ticks) run, while an alarm comes.
    scheduler.add(QStringLiteral("CheckSMS"), [&] {
        inRun = true;
        scheduler.setPeriod(10min); // one run only
        plant.newest = 11;
        BoundedWait().pause(200ms);
    });
    const std::function<void()> BuscaAlarmas = [&] {
        ++plant.scans;
        plant.position = plant.newest;
        inRun = false;
    };
    scheduler.add(QStringLiteral("Busca Alarmas"), BuscaAlarmas);
    Control indicator(QStringLiteral("lblAlarmPoll"));
    auto parts = plant.parts(&indicator);
    parts.scan = [&] {
        scansInRun += inRun;
        BuscaAlarmas();
    };
    int looksInRun = 0;
    parts.busy = [&] {
        looksInRun += inRun;
        return scheduler.running();
    };
    AlarmPoll poll(parts);
    poll.start(20ms);
    EXPECT_TRUE(indicator.visible());
    EXPECT_EQ(indicator.text(), QStringLiteral("Alarmas al instante: cada 20 ms"));

    scheduler.setPeriod(50ms);
    scheduler.start();
    scheduler.loadFinished();
    ASSERT_TRUE(pollUntil([&] { return scheduler.runs() == 1; }, 5s));
    EXPECT_GT(looksInRun, 2) << "the poll ticked during the run";
    EXPECT_EQ(scansInRun, 0);
    EXPECT_EQ(poll.scans(), 0) << "the run's own scan took the alarm";

    plant.newest = 12;
    EXPECT_TRUE(pollUntil([&] { return poll.scans() == 1; }, 5s));
    EXPECT_EQ(plant.position, 12);
    EXPECT_EQ(scheduler.runs(), 1);

    poll.stop();
    AlarmPoll off(plant.parts(&indicator));
    off.start(0ms);
    EXPECT_FALSE(off.on());
    EXPECT_FALSE(indicator.visible());
}
