#include "FakeSender.h"
#include "support/FakeClock.h"

#include "core/Form1State.h"
#include "forwarding/DeliveryState.h"
#include "forwarding/EventLog.h"
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

    // Every line of the log files written so far, month by month.
    QStringList logLines() const {
        QStringList lines;
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            f.open(QIODevice::ReadOnly);
            lines += QString::fromLatin1(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
        }
        return lines;
    }

    QTemporaryDir dir;
    FakeClock clock{noon};
    EventLog log{dir.path(), clock};
    Form1State form;
    FakeSender sender;
    DeliveryState delivery;
    LifeTestClock step{form, clock, log, sender, delivery};
};

TEST_F(LifeTestClockTest, SendRecordsTheAcknowledgementAndAFailureIsRetriedNextCycle) {
    delivery.failed(earlierFailure);
    EXPECT_EQ(step.UltimoLifeTest(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    sender.answer = [](const QString&) { return false; };
    step.lifeTestStep();
    EXPECT_EQ(step.UltimoLifeTest(), LifeTestClock::zeroDate());
    EXPECT_EQ(delivery.FechaPrimerFallo, earlierFailure);
    EXPECT_EQ(form.lblFechaLifeTest.text(), QString());

    clock.advanceSecs(30);
    form.txtPlanta.setText("NUEVA"); // read at each use
    sender.answer = [](const QString&) { return true; };
    step.lifeTestStep();
    EXPECT_EQ(sender.sent, QStringList({"@@PLANTA##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@",
                                        "@@NUEVA##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:30@@"}));
    EXPECT_EQ(step.UltimoLifeTest(), noon.addSecs(30));
    EXPECT_EQ(form.lblFechaLifeTest.text(), "06/12/2026 12:00:30");
    EXPECT_EQ(delivery.FechaPrimerFallo, DeliveryState::noFailure());
    EXPECT_EQ(logLines(), QStringList({"Envio de Test de Vida fallido: PLANTA,LIFETEST,XX,1,XX,XX,XX,XX,"
                                       "2026/12/06 12:00:00 Hora envio: 06/12/2026 12:00:00",
                                       "NUEVA,LIFETEST,XX,1,XX,XX,XX,XX,2026/12/06 12:00:30 Hora envio: "
                                       "06/12/2026 12:00:30"}));
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

    for (auto [given, kept] : {std::pair{"48", "24"}, {"cada hora", "1"}, {"2.5", "2.5"}}) {
        form.lblTestVida.setText(given);
        step.lifeTestStep();
        EXPECT_EQ(form.lblTestVida.text(), kept) << given;
    }
}

TEST_F(LifeTestClockTest, SentOnlyWhileThePlantShowsSignsOfLife) {
    struct Case {
        const char* numVidas;
        const char* almVidas;
        bool watchAlarms;
        bool sent;
    };
    const Case cases[] = {
        {"0", "5", false, false}, {"0", "5", true, false}, {"", "5", false, false},  {"12", "0", true, false},
        {"12", "0", false, true}, {"12", "1", true, true}, {"0.5", "", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.numVidas) + " / " + c.almVidas + (c.watchAlarms ? " watched" : ""));
        sender.sent.clear();
        step.setUltimoLifeTest(LifeTestClock::zeroDate());
        form.lblNumVidas.setText(c.numVidas);
        form.lblAlmVidas.setText(c.almVidas);
        form.chkAlarms.setChecked(c.watchAlarms);
        step.lifeTestStep();
        EXPECT_EQ(sender.sent.size(), c.sent ? 1 : 0);
    }
    EXPECT_EQ(logLines().size(), 3) << "nothing is logged when nothing is sent";
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

    EXPECT_TRUE(step.SendSynchroTime()) << "the manual refresh sends whatever the date";
    form.lblFechaSynchro.setText("2026/12/08"); // another date, even a later one, makes it due
    step.SubSynchro();
    EXPECT_EQ(sender.sent.size(), 4);
}

TEST_F(LifeTestClockTest, OffsetShiftsTheTimeButNotTheRecordedDate) {
    struct Case {
        const char* offset;
        QDateTime now;
        const char* carried;
    };
    const Case cases[] = {
        {"-1", at(6, 0, 30, 0), "2026/12/05 23:30:00"},
        {"1", QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)), "2027/01/01 00:59:59"},
        {"1.5", at(6, 10, 0, 0), "2026/12/06 11:30:00"},
        {"-0.25", at(6, 10, 0, 0), "2026/12/06 09:45:00"},
        {"CANARIAS", at(6, 10, 0, 0), "2026/12/06 10:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        form.txtDifHoraria.setText(c.offset);
        form.lblFechaSynchro.setText(QString());
        clock.set(c.now);
        step.SubSynchro();
        EXPECT_TRUE(sender.sent.last().endsWith("##" + QString(c.carried) + "@@"))
            << sender.sent.last().toStdString();
        EXPECT_EQ(form.lblFechaSynchro.text(), c.now.date().toString("yyyy/MM/dd"));
    }
}

TEST_F(LifeTestClockTest, ClockAcknowledgedAfterTwoFailures) {
    delivery.failed(earlierFailure);
    sender.answer = [this](const QString&) { return sender.sent.size() > 2; };
    for (int tick = 0; tick < 4; ++tick) {
        step.SubSynchro();
        if (tick < 2) {
            EXPECT_EQ(form.lblFechaSynchro.text(), QString());
            EXPECT_EQ(delivery.FechaPrimerFallo, earlierFailure)
                << "a failed clock message leaves the outage alone";
        }
        clock.advanceSecs(30);
    }
    EXPECT_EQ(sender.sent.size(), 3);
    EXPECT_EQ(delivery.FechaPrimerFallo, DeliveryState::noFailure());
    const QString body = "PLANTA,CURRENTTIME,XX,1,XX,XX,XX,XX,2026/12/06 ";
    EXPECT_EQ(
        logLines(),
        QStringList({"Envio de current Time fallido: " + body + "12:00:00 Hora envio: 06/12/2026 12:00:00",
                     "Envio de current Time fallido: " + body + "12:00:30 Hora envio: 06/12/2026 12:00:30",
                     body + "12:01:00 Hora envio: 06/12/2026 12:01:00"}));
}

} // namespace
