#include "support/FakeClock.h"
#include "support/FakeSender.h"

#include "core/Control.h"
#include "core/DeliveryState.h"
#include "core/EventLog.h"
#include "forwarding/LifeTestClock.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QDateTime noon(QDate(2026, 12, 6), QTime(12, 0, 0));
const QDateTime earlierFailure(QDate(2026, 12, 1), QTime(8, 0, 0));

QDateTime at(int day, int h, int m, int s) {
    return QDateTime(QDate(2026, 12, day), QTime(h, m, s));
}

// The fields the life test and the clock message read and write.
struct LifeTestFields {
    Control lblTestVida{"lblTestVida"}, lblNumVidas{"lblNumVidas"}, lblAlmVidas{"lblAlmVidas"},
        chkAlarms{"chkAlarms"}, txtPlanta{"txtPlanta"}, txtDifHoraria{"txtDifHoraria"},
        lblFechaLifeTest{"lblFechaLifeTest"}, lblFechaSynchro{"lblFechaSynchro"};

    LifeTestClock::View view() {
        return {lblTestVida, lblNumVidas,   lblAlmVidas,      chkAlarms,
                txtPlanta,   txtDifHoraria, lblFechaLifeTest, lblFechaSynchro};
    }
};

class LifeTestClockTest : public ::testing::Test {
protected:
    LifeTestClockTest() {
        form.txtPlanta.setText("PLANTA");
        form.lblTestVida.setText("1");
        form.lblNumVidas.setText("12");
        form.lblAlmVidas.setText("3");
        form.chkAlarms.setChecked(true);
        form.txtDifHoraria.setText("0");
    }

    QStringList logLines() const {
        QFile f(log.currentPath());
        return f.open(QIODevice::ReadOnly)
                   ? QString::fromLatin1(f.readAll()).split("\r\n", Qt::SkipEmptyParts)
                   : QStringList();
    }

    QTemporaryDir dir;
    FakeClock clock{noon};
    EventLog log{dir.path(), clock};
    LifeTestFields form;
    FakeSender sender;
    DeliveryState delivery;
    LifeTestClock step{form.view(), clock, log, sender, delivery};
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
    EXPECT_EQ(step.UltimoLifeTest(), noon.addSecs(30));
    EXPECT_EQ(form.lblFechaLifeTest.text(), "06/12/2026 12:00:30");
    EXPECT_FALSE(delivery.failurePending());
    EXPECT_EQ(logLines().size(), 2);
}

TEST_F(LifeTestClockTest, IntervalIsKeptBetweenOneAndTwentyFourHours) {
    form.lblTestVida.setText("0.5");
    step.lifeTestStep();
    EXPECT_EQ(form.lblTestVida.text(), "1");
    clock.set(noon.addSecs(3600));
    step.lifeTestStep();
    EXPECT_EQ(sender.sent.size(), 1) << "due only when more than the interval has passed";
    clock.advanceSecs(1);
    step.lifeTestStep();
    EXPECT_EQ(sender.sent.size(), 2);
    form.lblTestVida.setText("48");
    step.lifeTestStep();
    EXPECT_EQ(form.lblTestVida.text(), "24");
}

TEST_F(LifeTestClockTest, SentOnlyWhileThePlantShowsSignsOfLife) {
    const struct {
        const char* numVidas;
        const char* almVidas;
        bool watchAlarms;
        bool sent;
    } cases[] = {{"0", "5", false, false}, {"12", "0", true, false}, {"12", "0", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.numVidas) + " / " + c.almVidas + (c.watchAlarms ? " watched" : ""));
        sender.sent.clear();
        step.setUltimoLifeTest(LifeTestClock::zeroDate());
        form.lblNumVidas.setText(c.numVidas);
        form.lblAlmVidas.setText(c.almVidas);
        form.chkAlarms.setChecked(c.watchAlarms);
        step.lifeTestStep();
        EXPECT_EQ(sender.sent.size(), c.sent ? 1 : 0);
    }
    EXPECT_EQ(logLines().size(), 1) << "nothing is logged when nothing is sent";
}

TEST_F(LifeTestClockTest, OneClockMessagePerDayUntilMidnight) {
    clock.set(at(6, 0, 0, 0));
    step.SubSynchro();
    clock.set(at(6, 23, 59, 59));
    step.SubSynchro();
    clock.set(at(7, 0, 0, 0));
    step.SubSynchro();
    EXPECT_EQ(sender.sent,
              QStringList({"@@PLANTA##CURRENTTIME##XX##1##XX##XX##XX##XX##2026/12/06 00:00:00@@",
                           "@@PLANTA##CURRENTTIME##XX##1##XX##XX##XX##XX##2026/12/07 00:00:00@@"}));
    EXPECT_EQ(form.lblFechaSynchro.text(), "2026/12/07");
}

TEST_F(LifeTestClockTest, OffsetShiftsTheTimeButNotTheRecordedDate) {
    form.txtDifHoraria.setText("-1");
    clock.set(at(6, 0, 30, 0));
    step.SubSynchro();
    EXPECT_EQ(sender.sent,
              QStringList{"@@PLANTA##CURRENTTIME##XX##1##XX##XX##XX##XX##2026/12/05 23:30:00@@"});
    EXPECT_EQ(form.lblFechaSynchro.text(), "2026/12/06");
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

} // namespace
