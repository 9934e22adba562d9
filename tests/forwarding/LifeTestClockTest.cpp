#include "FakeSender.h"
#include "ScriptedStation.h"
#include "support/FakeClock.h"

#include "core/Form1State.h"
#include "forwarding/CentralLink.h"
#include "forwarding/DeliveryState.h"
#include "forwarding/EventLog.h"
#include "forwarding/LifeTestClock.h"
#include "forwarding/MessageFormat.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QDateTime noon(QDate(2026, 12, 6), QTime(12, 0, 0));
const QDateTime earlierFailure(QDate(2026, 12, 1), QTime(8, 0, 0));

class LifeTestClockTest : public ::testing::Test {
protected:
    LifeTestClockTest() {
        form.txtPlanta.setText(QStringLiteral("PLANTA"));
        form.lblTestVida.setText(QStringLiteral("1"));
        form.lblNumVidas.setText(QStringLiteral("12"));
        form.lblAlmVidas.setText(QStringLiteral("3"));
        form.chkAlarms.setChecked(true);
        form.txtDifHoraria.setText(QStringLiteral("0"));
    }

    // Every line of the log files written so far, month by month.
    QStringList logLines() const {
        QStringList lines;
        for (const QString& name : QDir(dir.path()).entryList(QDir::Files, QDir::Name)) {
            QFile f(dir.filePath(name));
            if (!f.open(QIODevice::ReadOnly))
                continue;
            for (const QString& line : QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n")))
                if (!line.isEmpty())
                    lines << line;
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

TEST(DeliveryStateRules, FirstFailureOfASeriesIsKept) {
    DeliveryState s;
    EXPECT_FALSE(s.failurePending());
    s.failed(earlierFailure);
    s.failed(noon);
    EXPECT_EQ(s.FechaPrimerFallo, earlierFailure);
    EXPECT_TRUE(s.failurePending());
    s.delivered();
    EXPECT_EQ(s.FechaPrimerFallo, QDateTime(QDate(2100, 1, 1), QTime(0, 0)));
    s.failed(noon);
    EXPECT_EQ(s.FechaPrimerFallo, noon);
}

TEST_F(LifeTestClockTest, FirstCycleSendsAndRecordsTheAcknowledgement) {
    delivery.failed(earlierFailure);
    EXPECT_EQ(step.UltimoLifeTest(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    step.lifeTestStep();
    ASSERT_EQ(sender.sent, QStringList{QStringLiteral(
                               "@@PLANTA##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@")});
    EXPECT_EQ(step.UltimoLifeTest(), noon);
    EXPECT_EQ(form.lblFechaLifeTest.text(), QStringLiteral("06/12/2026 12:00:00"));
    EXPECT_EQ(delivery.FechaPrimerFallo, DeliveryState::noFailure());
    EXPECT_EQ(logLines(),
              QStringList{QStringLiteral(
                  "PLANTA,LIFETEST,XX,1,XX,XX,XX,XX,2026/12/06 12:00:00 Hora envio: 06/12/2026 12:00:00")});
}

TEST_F(LifeTestClockTest, IntervalIsKeptBetweenOneAndTwentyFourHours) {
    form.lblTestVida.setText(QStringLiteral("0.5"));
    step.lifeTestStep();
    EXPECT_EQ(form.lblTestVida.text(), QStringLiteral("1"));
    ASSERT_EQ(sender.sent.size(), 1);

    clock.advanceSecs(59 * 60);
    step.lifeTestStep();
    clock.set(noon.addSecs(3600));
    step.lifeTestStep();
    EXPECT_EQ(sender.sent.size(), 1) << "due only when more than the interval has passed";
    clock.advanceSecs(1);
    step.lifeTestStep();
    EXPECT_EQ(sender.sent.size(), 2);

    form.lblTestVida.setText(QStringLiteral("48"));
    step.lifeTestStep();
    EXPECT_EQ(form.lblTestVida.text(), QStringLiteral("24"));
    form.lblTestVida.setText(QStringLiteral("cada hora"));
    step.lifeTestStep();
    EXPECT_EQ(form.lblTestVida.text(), QStringLiteral("1"));
    form.lblTestVida.setText(QStringLiteral("2.5"));
    step.lifeTestStep();
    EXPECT_EQ(form.lblTestVida.text(), QStringLiteral("2.5"));
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
        form.lblNumVidas.setText(QString::fromLatin1(c.numVidas));
        form.lblAlmVidas.setText(QString::fromLatin1(c.almVidas));
        form.chkAlarms.setChecked(c.watchAlarms);
        step.lifeTestStep();
        EXPECT_EQ(sender.sent.size(), c.sent ? 1 : 0);
    }
    EXPECT_EQ(logLines().size(), 3) << "nothing is logged when nothing is sent";
}

TEST_F(LifeTestClockTest, FailureIsLoggedAndRetriedNextCycle) {
    delivery.failed(earlierFailure);
    form.lblFechaLifeTest.setText(QStringLiteral("antes"));
    sender.outcomes = {false};
    step.lifeTestStep();
    EXPECT_EQ(step.UltimoLifeTest(), LifeTestClock::zeroDate());
    EXPECT_EQ(delivery.FechaPrimerFallo, earlierFailure);
    EXPECT_EQ(form.lblFechaLifeTest.text(), QStringLiteral("antes"));
    EXPECT_EQ(logLines(),
              QStringList{QStringLiteral("Envio de Test de Vida fallido: PLANTA,LIFETEST,XX,1,XX,XX,XX,"
                                         "XX,2026/12/06 12:00:00 Hora envio: 06/12/2026 12:00:00")});

    clock.advanceSecs(30);
    form.txtPlanta.setText(QStringLiteral("NUEVA"));
    step.lifeTestStep();
    ASSERT_EQ(sender.sent.size(), 2);
    EXPECT_TRUE(sender.sent[1].startsWith(QStringLiteral("@@NUEVA##LIFETEST##")))
        << "plant name read at each use";
    EXPECT_EQ(step.UltimoLifeTest(), noon.addSecs(30));
}

TEST_F(LifeTestClockTest, OneClockMessagePerDay) {
    step.SubSynchro();
    clock.advanceSecs(6 * 3600);
    step.SubSynchro();
    ASSERT_EQ(sender.sent.size(), 1);
    EXPECT_EQ(sender.sent[0],
              QStringLiteral("@@PLANTA##CURRENTTIME##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@"));
    EXPECT_EQ(form.lblFechaSynchro.text(), QStringLiteral("2026/12/06"));

    // The manual refresh sends whatever the date.
    EXPECT_TRUE(step.SendSynchroTime());
    EXPECT_EQ(sender.sent.size(), 2);

    // Another date in the field, even a later one, makes it due.
    form.lblFechaSynchro.setText(QStringLiteral("2026/12/07"));
    step.SubSynchro();
    EXPECT_EQ(sender.sent.size(), 3);
}

TEST_F(LifeTestClockTest, OffsetShiftsTheTimeButNotTheRecordedDate) {
    form.txtDifHoraria.setText(QStringLiteral("-1"));
    clock.set(QDateTime(QDate(2026, 12, 6), QTime(0, 30, 0)));
    step.SubSynchro();
    ASSERT_EQ(sender.sent.size(), 1);
    EXPECT_TRUE(sender.sent[0].endsWith(QStringLiteral("##2026/12/05 23:30:00@@")));
    EXPECT_EQ(form.lblFechaSynchro.text(), QStringLiteral("2026/12/06"));

    struct Case {
        const char* offset;
        QDateTime now;
        const char* carried;
    };
    const Case cases[] = {
        {"1", QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)), "2027/01/01 00:59:59"},
        {"1.5", QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0)), "2026/12/06 11:30:00"},
        {"-0.25", QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0)), "2026/12/06 09:45:00"},
        {"CANARIAS", QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0)), "2026/12/06 10:00:00"},
        {"2h", QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0)), "2026/12/06 12:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        form.txtDifHoraria.setText(QString::fromLatin1(c.offset));
        clock.set(c.now);
        ASSERT_TRUE(step.SendSynchroTime());
        EXPECT_TRUE(sender.sent.last().endsWith(QStringLiteral("##") + QString::fromLatin1(c.carried) +
                                                QStringLiteral("@@")))
            << sender.sent.last().toStdString();
        EXPECT_EQ(form.lblFechaSynchro.text(), c.now.date().toString(QStringLiteral("yyyy/MM/dd")));
    }
}

TEST_F(LifeTestClockTest, NewDayAtMidnightSendsAgain) {
    clock.set(QDateTime(QDate(2026, 12, 6), QTime(23, 59, 0)));
    step.SubSynchro();
    clock.advanceSecs(30);
    step.SubSynchro();
    clock.set(QDateTime(QDate(2026, 12, 7), QTime(0, 0, 0)));
    step.SubSynchro();
    ASSERT_EQ(sender.sent.size(), 2);
    EXPECT_TRUE(sender.sent[1].endsWith(QStringLiteral("##2026/12/07 00:00:00@@")));
    EXPECT_EQ(form.lblFechaSynchro.text(), QStringLiteral("2026/12/07"));
}

TEST_F(LifeTestClockTest, ClockAcknowledgedAfterTwoFailures) {
    delivery.failed(earlierFailure);
    sender.outcomes = {false, false, true};
    for (int tick = 0; tick < 3; ++tick) {
        step.SubSynchro();
        if (tick < 2) {
            EXPECT_EQ(form.lblFechaSynchro.text(), QString());
            EXPECT_EQ(delivery.FechaPrimerFallo, earlierFailure)
                << "a failed clock message leaves the outage alone";
        }
        clock.advanceSecs(30);
    }
    step.SubSynchro();
    EXPECT_EQ(sender.sent.size(), 3);
    EXPECT_EQ(delivery.FechaPrimerFallo, DeliveryState::noFailure());
    const QString body = QStringLiteral("PLANTA,CURRENTTIME,XX,1,XX,XX,XX,XX,");
    EXPECT_EQ(logLines(),
              (QStringList{QStringLiteral("Envio de current Time fallido: ") + body +
                               QStringLiteral("2026/12/06 12:00:00 Hora envio: 06/12/2026 12:00:00"),
                           QStringLiteral("Envio de current Time fallido: ") + body +
                               QStringLiteral("2026/12/06 12:00:30 Hora envio: 06/12/2026 12:00:30"),
                           body + QStringLiteral("2026/12/06 12:01:00 Hora envio: 06/12/2026 12:01:00")}));
}

TEST_F(LifeTestClockTest, DeliversOverTheRealLink) {
    ScriptedStation station(ScriptedStation::echo());
    form.IpQuarn.setText(QStringLiteral("127.0.0.1"));
    form.lblPuerto.setText(QString::number(station.port()));
    form.IpQuarnA.setText(QString());
    form.IpQuarnB.setText(QString());
    CentralLink link(form);
    link.setConnectWait(1000ms);
    link.setReplyWait(1000ms);
    LifeTestClock real(form, clock, log, link, delivery);

    real.lifeTestStep();
    EXPECT_TRUE(real.SendSynchroTime());
    ASSERT_EQ(station.received.size(), 2);
    EXPECT_EQ(station.received[0], MessageFormat::lifeTest(QStringLiteral("PLANTA"), noon).toLatin1());
    EXPECT_EQ(station.received[1], MessageFormat::clock(QStringLiteral("PLANTA"), noon).toLatin1());
    EXPECT_EQ(real.UltimoLifeTest(), noon);
    EXPECT_EQ(logLines().size(), 2);
}

} // namespace
