#include "forwarding/LifeTestClock.h"
#include "app/Views.h"
#include "core/state/DeliveryState.h"
#include "core/state/RecentCounts.h"
#include "support/FakeSender.h"
#include "support/ServicesTest.h"

// The monotonic clock times outages and the waits between messages; the calendar gives the shown times,
// so a clock stepped by hand neither hurries nor holds them back.
constexpr qint64 day = 86400;
const QDateTime earlierFailure(QDate(2026, 12, 1), QTime(8, 0, 0));

QDateTime at(int day, int h, int m, int s) {
    return QDateTime(QDate(2026, 12, day), QTime(h, m, s));
}

class LifeTestClockTest : public ServicesTest {
protected:
    // A 1-hour interval, a plant with signs of life.
    LifeTestClockTest() {
        form.lblTestVida.setText("1");
        form.chkAlarms.setChecked(true);
        form.txtPlanta.setText("PLANTA");
    }

    Form1State form;
    FakeSender sender;
    DeliveryState delivery;
    RecentCounts counts{.records = 12, .alarms = 3};
    LifeTestClock step{
        Views::forwarding(form, counts).lifeTest, form.txtPlanta, clock, log, sender, delivery};

    // One more pass of a step, then the messages of a kind sent so far.
    qsizetype sentAfter(void (LifeTestClock::*pass)(), const char* kind) {
        (step.*pass)();
        return sender.sent.filter(kind).size();
    }
};

TEST_F(LifeTestClockTest, FailureIsLoggedAndLeavesTheLastSendAloneUntilOneGetsThrough) {
    delivery.failingFor(clock, earlierFailure.msecsTo(clock.now()));
    sender.answer = [](const QString&) { return false; };
    step.lifeTestStep();
    EXPECT_EQ(step.UltimoLifeTest(), LifeTestClock::zeroDate());
    EXPECT_EQ(logLines(), QStringList{"Envio de Test de Vida fallido: PLANTA,LIFETEST,XX,1,XX,XX,XX,XX,"
                                      "2026/12/06 12:00:00 Hora envio: 06/12/2026 12:00:00"});
    clock.advanceSecs(30);
    sender.answer = [](const QString&) { return true; };
    step.lifeTestStep();
    EXPECT_EQ(step.UltimoLifeTest(), clock.now());
    EXPECT_EQ(form.lblFechaLifeTest.text(), "06/12/2026 12:00:30");
    EXPECT_FALSE(delivery.failurePending());
    EXPECT_EQ(logLines().size(), 2);
}

TEST_F(LifeTestClockTest, SentOnlyWhileThePlantShowsSignsOfLife) {
    const struct {
        RecentCounts counts;
        bool watchAlarms;
        bool sent;
    } cases[] = {{{0, 5}, false, false}, {{12, 0}, true, false}, {{12, 0}, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        sender.sent.clear();
        step.setUltimoLifeTest(LifeTestClock::zeroDate());
        counts = c.counts;
        form.chkAlarms.setChecked(c.watchAlarms);
        step.lifeTestStep();
        EXPECT_EQ(sender.sent.size(), c.sent ? 1 : 0);
    }
    EXPECT_EQ(logLines().size(), 1) << "nothing is logged when nothing is sent";
}

TEST_F(LifeTestClockTest, OneClockMessagePerDayUntilMidnightAndTheOffsetShiftsOnlyItsTime) {
    clock.set(at(6, 0, 0, 0));
    step.SubSynchro();
    clock.set(at(6, 23, 59, 59));
    step.SubSynchro();
    form.txtDifHoraria.setText("-1");
    clock.set(at(7, 0, 30, 0));
    step.SubSynchro();
    EXPECT_EQ(sender.sent,
              QStringList({"@@PLANTA##CURRENTTIME##XX##1##XX##XX##XX##XX##2026/12/06 00:00:00@@",
                           "@@PLANTA##CURRENTTIME##XX##1##XX##XX##XX##XX##2026/12/06 23:30:00@@"}));
    EXPECT_EQ(form.lblFechaSynchro.text(), "2026/12/07") << "the recorded date is the calendar's";
}

TEST_F(LifeTestClockTest, ClockAcknowledgedAfterTwoFailures) {
    delivery.failingFor(clock, earlierFailure.msecsTo(clock.now()));
    sender.answer = [this](const QString&) { return sender.sent.size() > 2; };
    for (int tick = 0; tick < 4; ++tick) {
        step.SubSynchro();
        if (tick < 2) {
            EXPECT_EQ(form.lblFechaSynchro.text(), QString());
            EXPECT_EQ(delivery.failingSince(), earlierFailure)
                << "a failed clock message leaves the outage alone";
        }
        clock.advanceSecs(30);
    }
    EXPECT_EQ(sender.sent.size(), 3);
    EXPECT_FALSE(delivery.failurePending());
    const QString body = "PLANTA,CURRENTTIME,XX,1,XX,XX,XX,XX,2026/12/06 ";
    EXPECT_EQ(
        logLines(),
        QStringList({"Envio de current Time fallido: " + body + "12:00:00 Hora envio: 06/12/2026 12:00:00",
                     "Envio de current Time fallido: " + body + "12:00:30 Hora envio: 06/12/2026 12:00:30",
                     body + "12:01:00 Hora envio: 06/12/2026 12:01:00"}));
}

TEST_F(LifeTestClockTest, AnOutageLastsWhatThePassingTimeSaysWhateverTheClockDoes) {
    const QDateTime first = clock.now();
    delivery.failed(clock);
    for (const qint64 stepSecs : {day, -day, 3600LL}) {
        clock.stepWall(stepSecs);
        clock.advanceSecs(4);
        delivery.failed(clock);
    }
    EXPECT_EQ(delivery.msecsFailing(clock), 12'000);
    EXPECT_EQ(delivery.failingSince(), first) << "the wall time of the first failure is what is shown";
    delivery.failingFor(clock, 16 * 60'000);
    EXPECT_EQ(delivery.msecsFailing(clock), 16 * 60'000) << "a series restored over a restart";
    delivery.delivered();
    EXPECT_EQ(delivery.msecsFailing(clock), 0);
}

TEST_F(LifeTestClockTest, TheLifeTestComesEveryIntervalOfPassingTimeFromOneToTwentyFourHours) {
    form.lblTestVida.setText("0.5");
    clock.set(at(6, 0, 0, 10));
    const auto lifeTests = [&] { return sentAfter(&LifeTestClock::lifeTestStep, "LIFETEST"); };
    ASSERT_EQ(lifeTests(), 1);
    EXPECT_EQ(form.lblTestVida.text(), "1");
    clock.stepWall(2 * 3600); // ahead: not sent early
    EXPECT_EQ(lifeTests(), 1);
    clock.stepWall(-day); // back: not held back a day
    clock.advanceSecs(3600);
    EXPECT_EQ(lifeTests(), 1) << "due only when more than the interval has passed";
    clock.advanceSecs(1);
    EXPECT_EQ(lifeTests(), 2);
    EXPECT_EQ(form.lblFechaLifeTest.text(), "05/12/2026 03:00:11") << "the time shown is the calendar's";
    form.lblTestVida.setText("48");
    step.lifeTestStep();
    EXPECT_EQ(form.lblTestVida.text(), "24");
}

TEST_F(LifeTestClockTest, TheClockMessageIsDailyEvenWhenTheClockGoesBackOverMidnight) {
    clock.set(at(6, 0, 0, 10));
    const auto clockMessages = [&] { return sentAfter(&LifeTestClock::SubSynchro, "CURRENTTIME"); };
    ASSERT_EQ(clockMessages(), 1);
    clock.stepWall(-3600); // back to the 5th
    EXPECT_EQ(clockMessages(), 1) << "no second message for a day already told";
    clock.advanceSecs(3600); // the 6th again
    EXPECT_EQ(clockMessages(), 1);
    clock.advanceSecs(day); // the 7th
    EXPECT_EQ(clockMessages(), 2);
    clock.stepWall(-2 * day); // the 5th again, a day of passing time after the last message
    clock.advanceSecs(day);
    EXPECT_EQ(clockMessages(), 3) << "a day has passed: the station hears the clock";
}
