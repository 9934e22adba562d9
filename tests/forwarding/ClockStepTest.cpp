#include "support/FakeClock.h"
#include "support/FakeSender.h"

#include "core/Control.h"
#include "core/DeliveryState.h"
#include "core/EventLog.h"
#include "forwarding/LifeTestClock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// The calendar clock stepped by hand while the agent runs: how long deliveries have failed and the waits
// between life tests and clock messages go by the monotonic clock; the shown times by the calendar.
namespace {

constexpr qint64 day = 86400;

class ClockStepTest : public ::testing::Test {
protected:
    ClockStepTest() {
        txtPlanta.setText("PLANTA");
        lblTestVida.setText("1");
        lblNumVidas.setText("12");
        lblAlmVidas.setText("3");
        chkAlarms.setChecked(true);
        txtDifHoraria.setText("0");
    }
    int sentOf(const char* kind) const { return sender.sent.filter(kind).size(); }

    QTemporaryDir dir;
    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(0, 0, 10))};
    EventLog log{dir.path(), clock};
    Control lblTestVida{"lblTestVida"}, lblNumVidas{"lblNumVidas"}, lblAlmVidas{"lblAlmVidas"},
        chkAlarms{"chkAlarms"}, txtPlanta{"txtPlanta"}, txtDifHoraria{"txtDifHoraria"},
        lblFechaLifeTest{"lblFechaLifeTest"}, lblFechaSynchro{"lblFechaSynchro"};
    FakeSender sender;
    DeliveryState delivery;
    LifeTestClock step{{lblTestVida, lblNumVidas, lblAlmVidas, chkAlarms, txtPlanta, txtDifHoraria,
                        lblFechaLifeTest, lblFechaSynchro},
                       clock,
                       log,
                       sender,
                       delivery};
};

TEST_F(ClockStepTest, AnOutageLastsWhatThePassingTimeSaysWhateverTheClockDoes) {
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

TEST_F(ClockStepTest, TheLifeTestComesEveryIntervalOfPassingTimeAcrossClockSteps) {
    step.lifeTestStep();
    ASSERT_EQ(sentOf("LIFETEST"), 1);
    clock.stepWall(2 * 3600); // ahead: not sent early
    step.lifeTestStep();
    EXPECT_EQ(sentOf("LIFETEST"), 1);
    clock.stepWall(-day); // back: not held back a day
    clock.advanceSecs(3601);
    step.lifeTestStep();
    EXPECT_EQ(sentOf("LIFETEST"), 2);
    EXPECT_EQ(lblFechaLifeTest.text(), "05/12/2026 03:00:11") << "the time shown is the calendar's";
}

TEST_F(ClockStepTest, TheClockMessageIsDailyEvenWhenTheClockGoesBackOverMidnight) {
    step.SubSynchro();
    ASSERT_EQ(sentOf("CURRENTTIME"), 1);
    clock.stepWall(-3600); // back to the 5th
    step.SubSynchro();
    EXPECT_EQ(sentOf("CURRENTTIME"), 1) << "no second message for a day already told";
    clock.advanceSecs(3600); // the 6th again
    step.SubSynchro();
    EXPECT_EQ(sentOf("CURRENTTIME"), 1);
    clock.advanceSecs(day); // the 7th
    step.SubSynchro();
    EXPECT_EQ(sentOf("CURRENTTIME"), 2);
    clock.stepWall(-2 * day); // the 5th again, a day of passing time after the last message
    clock.advanceSecs(day);
    step.SubSynchro();
    EXPECT_EQ(sentOf("CURRENTTIME"), 3) << "a day has passed: the station hears the clock";
}

} // namespace
