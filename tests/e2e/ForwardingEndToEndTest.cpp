// Whole processes: the agent, the central-station stand-in and the supervision stand-in, each alarm
// followed from the supervision database to the central station's record.
#include "core/Windows1252.h"
#include "forwarding/MessageFormat.h"
#include "support/ProcessHarness.h"

#include <QScopeGuard>
#include <csignal>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(ForwardingEndToEnd, AnAlarmReachesTheStationByteForByteAndASigtermMidDeliveryLosesNothing) {
    const QString simPath = GELMAR_SIM_PATH;
    const QString plantName = "Depuradora Peñón";
    ProcessHarness h{{.plant = plantName}};
    // The plant's databases are there already; the installation adds the programs around them.
    QString error;
    ASSERT_TRUE(GelmarInstall::install(h.plant.gelmar, plantName, simPath, &error)) << error.toStdString();
    QProcess gsnet;
    gsnet.start(QDir(h.plant.gelmar).filePath(GelmarInstall::networkServer), {"--history-ms", "500"});
    const auto stopSupervision = qScopeGuard([&] {
        gsnet.terminate();
        waitFor([&] { return gsnet.state() == QProcess::NotRunning; }, 5s);
        for (const QString& name : GelmarInstall::executables)
            for (qint64 pid : GelmarInstall::runningFrom(h.plant.gelmar, name))
                ::kill(static_cast<pid_t>(pid), SIGTERM);
    });
    QByteArray gsnetOut;
    ASSERT_TRUE(
        waitFor([&] { return (gsnetOut += gsnet.readAllStandardOutput()).startsWith("recording "); }, 10s));
    const auto ctlAddAlarm = [&](int instrument, int code, int state, const QDateTime& when) {
        QProcess ctl;
        ctl.start(simPath, {"ctl", h.plant.gelmar, "add-alarm", "--instrument", QString::number(instrument),
                            "--code", QString::number(code), "--state", QString::number(state), "--time",
                            when.toString(GelmarInstall::dateFormat)});
        EXPECT_TRUE(waitFor([&] { return ctl.state() == QProcess::NotRunning; }, 10s));
        return ctl.readAllStandardOutput().trimmed().toLongLong();
    };
    const auto wire = [&](const QString& text, const QString& device, qint64 code, const QString& state,
                          const QDateTime& when) {
        return Windows1252::encode(MessageFormat::liveAlarm(plantName, code, state, text, device, when));
    };
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime when = now.addMSecs(-now.time().msec());

    Station station;
    ASSERT_TRUE(station.start());
    h.point("", station.port);
    const qint64 first = ctlAddAlarm(4, 40, 1, when.addSecs(-30));
    ASSERT_GT(first, 0);
    // The link's full waits: a silent station would hold a delivery for 20 s.
    auto a = h.agent({.tickMs = 300, .linkWaitMs = 20000});
    ASSERT_TRUE(a->waitOutput("---\n")) << a->err.toStdString();
    EXPECT_EQ(h.positionId(), first) << "the first start takes the newest alarm as history";

    const qint64 alarm = ctlAddAlarm(1, 10, 1, when);
    const qint64 cleared = ctlAddAlarm(3, 30, 0, when.addSecs(1));
    ASSERT_EQ(cleared, alarm + 1);
    ASSERT_TRUE(waitFor([&] { return h.positionId() == cleared; }))
        << h.position().toStdString() << a->err.toStdString();
    const QByteArray expected = wire("Nivel alto", "Depósito Norte", 10, "1", when);
    EXPECT_EQ(station.alarms(),
              (QList<QByteArray>{expected, wire("Clorobajo", "Clorador", 30, "0", when.addSecs(1))}));
    EXPECT_TRUE(expected.contains("Dep\xf3sito Norte")) << "Windows-1252 on the wire";

    // A silent station holds the next delivery: SIGTERM ends the agent at once, the alarm is kept.
    station.setMode("silent");
    const qint64 held = ctlAddAlarm(1, 10, 1, when.addSecs(2));
    ASSERT_TRUE(waitFor([&] { return station.alarms().size() == 3; })) << "the delivery is in flight";
    a->terminate();
    ASSERT_TRUE(a->waitFinished(3s)) << "a shutdown does not wait out the link";
    EXPECT_EQ(a->process.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(QDir(h.plant.program).filePath("vornnet.lock")));
    EXPECT_EQ(h.positionId(), cleared) << "an unacknowledged alarm is not passed over";
    station.setMode("echo");
    a = h.agent({.tickMs = 300, .linkWaitMs = 20000});
    ASSERT_TRUE(waitFor([&] { return h.positionId() == held; })) << a->err.toStdString();
    const QByteArray heldWire = wire("Nivel alto", "Depósito Norte", 10, "1", when.addSecs(2));
    EXPECT_EQ(station.alarms().mid(2), (QList<QByteArray>{heldWire, heldWire}));
}
