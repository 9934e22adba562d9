// The alarm scan and the buffer resend in SMS mode, sending through the real modem driver to the modem
// stand-in: what reaches the modem, to whom, and what a refusing or hung modem leaves pending.
#include "ModemSimProcess.h"
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
#include "sms/ModemDriver.h"
#include "support/FakeClock.h"
#include "support/FakeSender.h"
#include "support/RecordingDialogs.h"
#include "support/TestPlant.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString plantName = "EDAR|Peñón";
const QDateTime saturdayNoon(QDate(2026, 12, 5), QTime(12, 0, 0));
const QDateTime mondaySeven(QDate(2026, 12, 7), QTime(7, 0, 0));

class ScanBySmsTest : public ::testing::Test {
protected:
    TestPlant plant{plantName};
    FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(12, 0, 0))};
    Form1State form;
    AgentSettings settings;
    StatusFlags flags;
    RecordingDialogs dialogs;
    EventLog log{plant.program, clock};
    SupervisionDb db{SupervisionDb::Settings::fromIni(plant.ini()), [this] { return plant.gelmar; }, log,
                     dialogs};
    BufferDb buffer{BufferDb::pathIn(plant.program), dialogs};
    FakeSender station;
    DeliveryState delivery;
    Forwarding::Views views = Views::forwarding(form);
    LifeTestClock lifeTest{views.lifeTest, clock, log, station, delivery};
    Exclusions exclusions{plant.ini()};
    ModemDriver driver{Views::sms(form).modem, clock, log, plant.program};
    StatusFile status{plant.program};
    Delivery handOn{
        {views.delivery, flags.SMSOn, settings.smsAuxiliaries, clock, log, station, delivery, &driver}};
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
    UltCodFile position{plant.program, UltCodFile::Kind::Alarms, plantName};
    UltCodFile bufferPosition{plant.program, UltCodFile::Kind::Buffer, plantName};
    QTemporaryDir modemDir;
    QString record = modemDir.filePath("record");
    ModemSimProcess modem;

    void SetUp() override {
        db.setRetryWindow(200ms);
        ASSERT_TRUE(db.ConectaConDB());
        buffer.open();
        driver.setWaits({200ms, 300ms, 10ms});
        ASSERT_TRUE(modem.start({"--record", record}));
        form.txtPlanta.setText(plantName);
        form.txtComPort.setText(modem.path());
        form.txtRecipient.setText("+34600000001");
        form.chkSMSEnabled.setChecked(true);
        flags.SMSOn = true;
        settings.smsAuxiliaries = {"+34611111111", "+34622222222"};
        station.answer = [](const QString&) { return false; };
        delivery.failingFor(clock, 3600 * 1000);
        position.write(0);
        bufferPosition.write(0);
    }
    QByteArray received() const {
        QFile f(record);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(ScanBySmsTest, ARefusingOrHungModemLeavesTheAlarmPendingUntilTheNextTick) {
    const qint64 first = plant.addAlarm(10, "1", 1, mondaySeven);
    const qint64 second = plant.addAlarm(20, "2", 1, mondaySeven.addSecs(1));
    for (const char* fault : {"error:9", "error:8", "hang"}) {
        SCOPED_TRACE(fault);
        ASSERT_TRUE(modem.setMode(fault));
        station.sent.clear();
        scan.BuscaAlarmas();
        EXPECT_EQ(station.alarms().size(), 1) << "the cycle ended at the first alarm, no second try";
        EXPECT_EQ(position.read(), 0);
        EXPECT_TRUE(received().isEmpty());
    }
    ASSERT_TRUE(modem.setMode("normal"));
    scan.BuscaAlarmas();
    EXPECT_EQ(received(),
              QByteArray("+34600000001\tEDAR*Penon: Deposito Norte: Inicio Nivel alto 07/12/26 07:00:00\n"
                         "+34600000001\tEDAR*Penon: Bomba 2: Inicio Fallo termico 07/12/26 07:00:01\n"));
    EXPECT_EQ(position.read(), second);
    EXPECT_GT(second, first);
}

TEST_F(ScanBySmsTest, BufferedNoticesGoToTheMainRecipientOnly) {
    clock.set(saturdayNoon.addDays(1).addSecs(8 * 3600)); // Sunday 20:00, outside office hours
    buffer.PonEnBuffer("SISTEMA", "Modo SMS Activado", "1", clock.now().addSecs(-30));
    ASSERT_TRUE(modem.setMode("error:9"));
    scan.BuscaAlarmas();
    EXPECT_EQ(bufferPosition.read(), 0);

    ASSERT_TRUE(modem.setMode("normal"));
    scan.BuscaAlarmas();
    EXPECT_EQ(received(), "+34600000001\tEDAR*Penon: SISTEMA: Inicio Modo SMS Activado 06/12/26 19:59:30\n");
    EXPECT_EQ(bufferPosition.read(), 1);
}

} // namespace
