// Whole processes: the agent, the modem stand-in and the central-station stand-in, through one outage.
// SMS mode waits for a real minute of failed deliveries here (the shortest the agent allows).
#include "ModemSimProcess.h"
#include "core/IniFile.h"
#include "standins/QuarnCenterProcess.h"
#include "support/AgentProcess.h"
#include "support/TestPlant.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return BoundedWait().until(done, limit);
}

TEST(SmsEndToEnd, AnOutageSendsAlarmsBySmsAndTheStationsReturnEndsSmsMode) {
    const QString plantName = "Depuradora|Sur";
    TestPlant plant{plantName};
    QTemporaryDir work;
    const QString modemRecord = work.filePath("modem"), stationRecord = work.filePath("station");
    ModemSimProcess modem;
    ASSERT_TRUE(modem.start({"--record", modemRecord}));

    quint16 port;
    {
        QTcpServer s; // bound, then released: refused until the station takes it
        s.listen(QHostAddress::LocalHost, 0);
        port = s.serverPort();
    }
    plant.config("IpQuarnCenter", "127.0.0.1");
    plant.config("RemotePort", QString::number(port));
    plant.config("smsEnabled", "1");
    plant.config("comport", modem.path());
    plant.config("recipient", "+34600000001");
    plant.config("maxnonet", "0");
    const QString status = QDir(plant.program).filePath("status.ini");
    const QString ultcod = QDir(plant.program).filePath("VornNetUltCod_" + plantName + ".ini");
    const auto position = [&](qint64 id) {
        return readFile(ultcod) == " " + QByteArray::number(id) + "\r\n";
    };

    const qint64 history = plant.addAlarm(40, "4", 1, QDateTime::currentDateTime().addSecs(-60));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMP", work.path());
    env.insert("LANG", "C");
    env.remove("LC_ALL");
    env.insert("VORNNET_LINK_WAIT_MS", "200");
    // The watchdog sees only processes started from the test's own installation folder.
    env.insert("VORNNET_PROCESS_SCOPE", plant.gelmar);
    AgentProcess agent({"--unattended", "--folder", plant.program, "--tick-ms", "300"}, env);
    ASSERT_TRUE(agent.start());
    ASSERT_TRUE(waitFor([&] { return position(history); }, 15s)) << agent.err.toStdString();

    QDateTime when = QDateTime::currentDateTime();
    when = when.addMSecs(-when.time().msec());
    const qint64 alarm = plant.addAlarm(10, "1", 1, when);
    ASSERT_TRUE(waitFor([&] { return IniFile::read(status, "status", "SMSON") == "1"; }, 100s))
        << agent.err.toStdString();
    // The alarm and the buffer's notice of SMS mode, both to the main recipient (the notice's own time is
    // the agent's, so only its start is known here). The watchdog's own notices may come by SMS as well.
    const QByteArray bySms = "+34600000001\tDepuradora*Sur: Deposito Norte: Inicio Nivel alto " +
                             when.toString("dd/MM/yy HH:mm:ss").toLatin1() + "\n";
    const QByteArray modeBySms = "+34600000001\tDepuradora*Sur: SISTEMA: Inicio Modo SMS Activado ";
    ASSERT_TRUE(waitFor(
        [&] {
            const QByteArray sms = readFile(modemRecord);
            return position(alarm) && sms.contains(bySms) && sms.contains(modeBySms);
        },
        20s))
        << readFile(modemRecord).toStdString() << agent.err.toStdString();
    EXPECT_EQ(readFile(modemRecord).count(bySms), 1);

    QuarnCenterProcess station;
    ASSERT_TRUE(station.start({"--port", QString::number(port), "--record", stationRecord}));
    const qint64 after = plant.addAlarm(20, "2", 0, when.addSecs(5));
    ASSERT_TRUE(waitFor(
        [&] {
            const QByteArray got = readFile(stationRecord);
            return got.contains("##ALARM##0##0##Modo SMS Activado##") &&
                   got.contains("##ALARM##20##0##Fallo t\xe9rmico##");
        },
        20s))
        << readFile(stationRecord).toStdString() << agent.err.toStdString();
    EXPECT_EQ(IniFile::read(status, "status", "SMSON"), "0");
    EXPECT_TRUE(position(after));
    EXPECT_FALSE(readFile(modemRecord).contains("Fallo termico")) << "the station took it: not by SMS";
    agent.terminate();
    EXPECT_TRUE(agent.waitFinished());
}

} // namespace
