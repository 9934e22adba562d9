// Whole processes: the agent and the modem stand-in, through an outage of the central station.
// SMS mode waits for a real minute of failed deliveries here (the shortest the agent allows).
#include "sms/ModemSimProcess.h"
#include "support/ProcessHarness.h"

TEST(SmsEndToEnd, AnOutageSendsAlarmsBySms) {
    ProcessHarness h({.plant = "Depuradora|Sur", .alarmsOnly = false});
    const TestPlant& plant = h.plant;
    const QString modemRecord = h.logs.filePath("modem");
    ModemSimProcess modem;
    ASSERT_TRUE(modem.start({"--record", modemRecord}));
    plant.config("smsEnabled", "1");
    plant.config("comport", modem.path());
    plant.config("recipient", "+34600000001");

    Station refusing; // its port released: connections are refused
    ASSERT_TRUE(refusing.start());
    ASSERT_TRUE(refusing.stop());
    h.point("", refusing.port);
    plant.config("maxnonet", "0");

    const qint64 history = plant.addAlarm(40, "4", 1, QDateTime::currentDateTime().addSecs(-60));
    const auto agent = h.agent({.tickMs = 300, .trace = false});
    ASSERT_TRUE(pollUntil([&] { return h.positionId() == history; }, 15s)) << agent->err;

    QDateTime when = QDateTime::currentDateTime();
    when = when.addMSecs(-when.time().msec());
    const qint64 alarm = plant.addAlarm(10, "1", 1, when);
    const QString status = StatusFile(plant.program).path();
    ASSERT_TRUE(pollUntil([&] { return LeeIni(status, "status", "SMSON") == "1"; }, 100s)) << agent->err;
    // The alarm and the buffer's notice of SMS mode, both to the main recipient (the notice's own time is
    // the agent's, so only its start is known here). The watchdog's own notices may come by SMS as well.
    const QByteArray bySms = "+34600000001\tDepuradora*Sur: Deposito Norte: Inicio Nivel alto " +
                             when.toString("dd/MM/yy HH:mm:ss").toLatin1() + "\n";
    const QByteArray modeBySms = "+34600000001\tDepuradora*Sur: SISTEMA: Inicio Modo SMS Activado ";
    ASSERT_TRUE(pollUntil(
        [&] {
            const QByteArray sms = readFile(modemRecord);
            return h.positionId() == alarm && sms.contains(bySms) && sms.contains(modeBySms);
        },
        20s))
        << readFile(modemRecord) << agent->err;
    EXPECT_EQ(readFile(modemRecord).count(bySms), 1);

    EXPECT_TRUE(agent->stop());
}
