#include "app/Views.h"
#include "core/AgentSettings.h"
#include "core/DeliveryState.h"
#include "core/EventLog.h"
#include "core/Form1State.h"
#include "core/StatusFile.h"
#include "core/SupervisionDb.h"
#include "forwarding/AlarmScan.h"
#include "forwarding/BufferDb.h"
#include "forwarding/Delivery.h"
#include "forwarding/Exclusions.h"
#include "forwarding/LifeTestClock.h"
#include "support/FakeClock.h"
#include "support/FakeSender.h"
#include "support/LogCapture.h"
#include "support/RecordingDialogs.h"
#include "support/TestPlant.h"

#include <QFile>
#include <gtest/gtest.h>

// The scan's first look on a first start, alarms the 7-day window passes over, and notices the buffer
// can not take for a while.
namespace {

class ScanWindowTest : public ::testing::Test {
protected:
    TestPlant plant;
    FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(12, 0, 0))};
    Form1State form;
    AgentSettings settings;
    StatusFlags flags;
    RecordingDialogs dialogs;
    EventLog log{plant.program, clock};
    SupervisionDb db{SupervisionDb::Settings::fromIni(plant.ini()), [this] { return plant.gelmar; }, log,
                     dialogs};
    BufferDb buffer{BufferDb::pathIn(plant.program), dialogs};
    FakeSender sender;
    DeliveryState delivery;
    Forwarding::Views views = Views::forwarding(form);
    LifeTestClock lifeTest{views.lifeTest, clock, log, sender, delivery};
    Exclusions exclusions{plant.ini()};
    StatusFile status{plant.program};
    Delivery handOn{{views.delivery, flags.SMSOn, settings.smsAuxiliaries, clock, log, sender, delivery}};
    AlarmScan scan{{plant.program,
                    views.scan,
                    flags,
                    status,
                    {clock, log, dialogs},
                    db,
                    buffer,
                    handOn,
                    lifeTest,
                    exclusions}};
    UltCodFile position{plant.program, UltCodFile::Kind::Alarms, "EDAR Norte"};

    void SetUp() override {
        db.setRetryWindow(std::chrono::milliseconds(200));
        ASSERT_TRUE(db.ConectaConDB());
        buffer.open();
        buffer.setLog(&log);
        form.txtPlanta.setText("EDAR Norte");
        lifeTest.setUltimoLifeTest(clock.now()); // no life test in these cycles
    }
    qint64 alarm(qint64 secondsAgo = 60) {
        return plant.addAlarm(10, "1", 1, clock.now().addSecs(-secondsAgo));
    }
    QStringList logLines() const {
        QFile f(log.currentPath());
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    }
};

TEST_F(ScanWindowTest, OnAFirstStartOnlyTheAlarmsPresentAtTheFirstLookArePassedOver) {
    const qint64 day = 86400;
    // What the table holds at the first look: nothing, or only alarms older than the window (no position
    // is written for those), or one within it (the position file takes it).
    for (const bool viaStartupCheck : {false, true}) {
        for (const qint64 present : {qint64(-1), 8 * day, 60LL}) {
            SCOPED_TRACE(testing::Message()
                         << "start-up check " << viaStartupCheck << ", present " << present);
            TestPlant fresh;
            EventLog freshLog{fresh.program, clock};
            SupervisionDb freshDb{SupervisionDb::Settings::fromIni(fresh.ini()), [&] { return fresh.gelmar; },
                                  freshLog, dialogs};
            freshDb.setRetryWindow(std::chrono::milliseconds(200));
            ASSERT_TRUE(freshDb.ConectaConDB());
            BufferDb freshBuffer{BufferDb::pathIn(fresh.program), dialogs};
            freshBuffer.open();
            AlarmScan first{{fresh.program,
                             views.scan,
                             flags,
                             status,
                             {clock, freshLog, dialogs},
                             freshDb,
                             freshBuffer,
                             handOn,
                             lifeTest,
                             exclusions}};
            const UltCodFile file{fresh.program, UltCodFile::Kind::Alarms, "EDAR Norte"};
            const qint64 old = present < 0 ? 0 : fresh.addAlarm(10, "1", 1, clock.now().addSecs(-present));
            if (viaStartupCheck)
                ASSERT_TRUE(first.startupCheck());
            else
                first.BuscaAlarmas();
            EXPECT_EQ(file.exists(), present == 60 && !viaStartupCheck) << "the file rule is kept";

            sender.sent.clear();
            const qint64 recorded = fresh.addAlarm(20, "2", 1, clock.now());
            first.BuscaAlarmas();
            ASSERT_EQ(sender.alarms().size(), 1) << "the alarm recorded after the first look goes";
            EXPECT_TRUE(sender.alarms().first().contains("##20##")) << "not the old one " << old;
            EXPECT_EQ(file.read(), recorded);
        }
    }
}

TEST_F(ScanWindowTest, AlarmsPassedOverByTheWindowAreToldOnceWithTheirIds) {
    position.write(0);
    LogCapture capture;
    const qint64 a = alarm(9 * 86400);
    const qint64 b = alarm(8 * 86400);
    alarm();
    const qint64 d = alarm(10 * 86400);
    scan.BuscaAlarmas();
    EXPECT_EQ(sender.alarms().size(), 1);
    const QString told =
        QStringLiteral("Alarmas no enviadas por ser anteriores a 7 días: 3 (%1-%2, %3)").arg(a).arg(b).arg(d);
    EXPECT_EQ(form.txtError.text(), told);
    EXPECT_EQ(capture.of("vornnet.scan"), QStringList{told});
    EXPECT_EQ(logLines().filter("no enviadas").size(), 1);

    // Told once: the next cycles say nothing more of them, and the field clears.
    alarm();
    scan.BuscaAlarmas();
    scan.BuscaAlarmas();
    EXPECT_EQ(sender.alarms().size(), 2);
    EXPECT_EQ(form.txtError.text(), QString());
    EXPECT_EQ(capture.of("vornnet.scan").size(), 1);
    EXPECT_EQ(logLines().filter("no enviadas").size(), 1);
}

TEST_F(ScanWindowTest, NoticesTheBufferCanNotTakeAreHeldAndStoredInOrder) {
    const QString file = buffer.path();
    ASSERT_TRUE(QFile::rename(file, file + ".away"));
    EXPECT_FALSE(buffer.PonEnBuffer("SISTEMA", "primero", "1", clock.now()));
    EXPECT_FALSE(buffer.PonEnBuffer("SISTEMA", "segundo", "0", clock.now()));
    EXPECT_EQ(buffer.heldCount(), 2);
    EXPECT_EQ(dialogs.shown.size(), 1) << "one box for the series and its cause, not one per notice";
    EXPECT_EQ(logLines().filter("retenido").size(), 2);
    EXPECT_FALSE(buffer.storeHeld());

    ASSERT_TRUE(QFile::rename(file + ".away", file));
    EXPECT_TRUE(buffer.PonEnBuffer("SISTEMA", "tercero", "1", clock.now()));
    QStringList stored;
    for (const BufferRow& r : buffer.rowsAfter(0, clock.now().addDays(-7)))
        stored << r.alarm + "/" + r.beginend;
    EXPECT_EQ(stored, (QStringList{"primero/1", "segundo/0", "tercero/1"}));
    EXPECT_EQ(buffer.heldCount(), 0);
    EXPECT_EQ(logLines().filter("guardado en el buffer tras").size(), 2);
}

} // namespace
