// Whole processes: the agent, the central-station stand-in and the supervision stand-in, each alarm
// followed from the supervision database to the central station's record.
#include "core/EventLog.h"
#include "core/Windows1252.h"
#include "forwarding/MessageFormat.h"
#include "support/ProcessHarness.h"

#include <QFile>
#include <QScopeGuard>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString simPath = GELMAR_SIM_PATH;
const QString plantName = "Depuradora Peñón";

// The exact bytes of a live alarm for one of the plant's configured codes.
QByteArray wire(qint64 code, const QString& state, const QDateTime& when) {
    static const std::map<qint64, std::pair<QString, QString>> names = {
        {10, {"Nivel alto", "Depósito Norte"}},
        {11, {"Nivel bajo", "Depósito Norte"}},
        {20, {"Fallo térmico", "Bomba 2"}},
        {30, {"Clorobajo", "Clorador"}},
        {40, {"Caudal nulo", "Caudalímetro entrada"}}};
    const auto& [text, device] = names.at(code);
    return Windows1252::encode(MessageFormat::liveAlarm(plantName, code, state, text, device, when));
}

class ForwardingEndToEnd : public ::testing::Test {
protected:
    ProcessHarness h{{.plant = plantName}};
    const TestPlant& plant = h.plant;

    static QByteArray position(qint64 id) { return " " + QByteArray::number(id) + "\r\n"; }
    // An alarm already there when the agent first starts: the starting point, never sent.
    qint64 history() const { return plant.addAlarm(40, "4", 1, QDateTime::currentDateTime().addSecs(-60)); }
    static QDateTime wholeSecondNow() {
        const QDateTime now = QDateTime::currentDateTime();
        return now.addMSecs(-now.time().msec());
    }
};

} // namespace

TEST_F(ForwardingEndToEnd, AlarmRecordedByTheRunningSupervisionReachesTheStationByteForByte) {
    // The plant's databases are there already; the installation adds the programs around them.
    QString error;
    ASSERT_TRUE(GelmarInstall::install(plant.gelmar, plantName, simPath, &error)) << error.toStdString();
    QProcess gsnet;
    gsnet.start(QDir(plant.gelmar).filePath(GelmarInstall::networkServer), {"--history-ms", "500"});
    const auto stopSupervision = qScopeGuard([&] {
        gsnet.terminate();
        waitFor([&] { return gsnet.state() == QProcess::NotRunning; }, 5s);
        for (const QString& name : GelmarInstall::executables)
            for (qint64 pid : GelmarInstall::runningFrom(plant.gelmar, name))
                ::kill(static_cast<pid_t>(pid), SIGTERM);
    });
    QByteArray gsnetOut;
    ASSERT_TRUE(
        waitFor([&] { return (gsnetOut += gsnet.readAllStandardOutput()).startsWith("recording "); }, 10s));

    const auto ctlAddAlarm = [&](int instrument, int code, int state, const QDateTime& when) {
        QProcess ctl;
        ctl.start(simPath, {"ctl", plant.gelmar, "add-alarm", "--instrument", QString::number(instrument),
                            "--code", QString::number(code), "--state", QString::number(state), "--time",
                            when.toString(GelmarInstall::dateFormat)});
        EXPECT_TRUE(waitFor([&] { return ctl.state() == QProcess::NotRunning; }, 10s));
        return ctl.readAllStandardOutput().trimmed().toLongLong();
    };

    Station station;
    ASSERT_TRUE(station.start());
    h.point("", station.port);
    const qint64 first = ctlAddAlarm(4, 40, 1, wholeSecondNow().addSecs(-30));
    ASSERT_GT(first, 0);

    const auto a = h.agent({.tickMs = 300, .linkWaitMs = 2000});
    ASSERT_TRUE(a->waitOutput("---\n")) << a->err.toStdString();
    EXPECT_EQ(h.position(), position(first)) << "the first start takes the newest alarm as history";

    const QDateTime when = wholeSecondNow();
    const qint64 alarm = ctlAddAlarm(1, 10, 1, when);
    const qint64 cleared = ctlAddAlarm(3, 30, 0, when.addSecs(1));
    ASSERT_EQ(cleared, alarm + 1);
    ASSERT_TRUE(h.waitPositionIs(cleared)) << h.position().toStdString() << a->err.toStdString();
    const QByteArray expected = wire(10, "1", when);
    EXPECT_EQ(station.alarms(), (QList<QByteArray>{expected, wire(30, "0", when.addSecs(1))}));
    EXPECT_TRUE(expected.contains("Dep\xf3sito Norte")) << "Windows-1252 on the wire";
    const QString logText = h.logLines().join('\n');
    EXPECT_TRUE(logText.contains(EventLog::logBody(Windows1252::decode(expected)) + " Hora envio: "))
        << logText.toStdString();
    a->terminate();
    EXPECT_TRUE(a->waitFinished());
}

TEST_F(ForwardingEndToEnd, SigtermDuringADeliveryEndsTheAgentAtOnceAndTheAlarmFollowsOnRestart) {
    Station station;
    ASSERT_TRUE(station.start());
    h.point("", station.port);
    const qint64 start = history();
    // The link's full waits: a silent station holds the delivery for 20 s.
    auto a = h.agent({.linkWaitMs = 20000});
    ASSERT_TRUE(h.waitPositionIs(start)) << a->err.toStdString();
    // The first run's clock message goes before the station falls silent, or it would hold that run.
    ASSERT_TRUE(a->waitOutput("---\n"));
    station.setMode("silent");
    const QDateTime when = wholeSecondNow();
    const qint64 alarm = plant.addAlarm(10, "1", 1, when);
    ASSERT_TRUE(waitFor([&] { return station.alarms().size() == 1; })) << "the delivery is in flight";

    a->terminate();
    ASSERT_TRUE(a->waitFinished(3s)) << "a shutdown does not wait out the link";
    EXPECT_EQ(a->process.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(QDir(plant.program).filePath("vornnet.lock")));
    EXPECT_EQ(h.position(), position(start)) << "an unacknowledged alarm is not passed over";

    station.setMode("echo");
    a = h.agent({.linkWaitMs = 20000});
    ASSERT_TRUE(h.waitPositionIs(alarm));
    EXPECT_EQ(station.alarms(), (QList<QByteArray>{wire(10, "1", when), wire(10, "1", when)}));
}
