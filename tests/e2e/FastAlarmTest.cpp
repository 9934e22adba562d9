// The fast alarm path on the real agent: with a 30 s tick, an alarm reaches the station well before the
// next scheduler run, and an outage stops the looks until the scheduler's runs retry.
#include "support/ProcessHarness.h"

TEST(FastAlarmPath, AnAlarmArrivesLongBeforeTheTickAndAnOutageStopsTheLooks) {
    ProcessHarness f({.test = "AnAlarmArrivesLongBeforeTheTickAndAnOutageStopsTheLooks"});
    Station station;
    ASSERT_TRUE(f.startStation(station));
    f.plant.config(QStringLiteral("AlarmPollMs"), QStringLiteral("500"));
    const qint64 start = f.addAlarms({1}).value(0);
    ASSERT_TRUE(
        UltCodFile(f.plant.program, UltCodFile::Kind::Alarms, QStringLiteral("EDAR Norte")).write(start));

    QElapsedTimer sinceStart;
    sinceStart.start();
    const auto agent = f.agent({.tickMs = 30000, .linkWaitMs = 500});
    QList<double> seconds;
    for (const qint64 code : {101, 102}) {
        QElapsedTimer t;
        t.start();
        f.addAlarms({code});
        ASSERT_TRUE(pollUntil([&] { return ProcessHarness::codesOf(station.alarms()).contains(code); }, 10s))
            << agent->err;
        seconds << t.elapsed() / 1000.0;
    }
    EXPECT_FALSE(agent->out.contains("Actualiza Datos")) << "no scheduler run has started yet";
    EXPECT_LT(sinceStart.elapsed(), 20000);

    // A silent station: the look that finds the next alarm tries it once; the outage that starts then
    // keeps the next alarms for the scheduler's runs.
    station.setMode("silent");
    f.addAlarms({103});
    ASSERT_TRUE(pollUntil([&] { return ProcessHarness::codesOf(station.alarms()).contains(103); }, 10s));
    ASSERT_TRUE(pollUntil([&] { return agent->err.contains("sin eco en 500 ms"); }, 5s));
    f.addAlarms({104});
    BoundedWait().pause(3s);
    EXPECT_EQ(ProcessHarness::codesOf(station.alarms()).count(103), 1) << "tried once";
    EXPECT_FALSE(ProcessHarness::codesOf(station.alarms()).contains(104));
    EXPECT_FALSE(agent->out.contains("Actualiza Datos"));
    f.figures(QStringLiteral("insert to receipt %1 s and %2 s").arg(seconds.value(0)).arg(seconds.value(1)));
}
