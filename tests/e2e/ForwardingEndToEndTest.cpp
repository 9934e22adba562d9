// Whole processes: the agent, the central-station stand-in and the supervision stand-in, each alarm
// followed from the supervision database to the central station's record.
#include "core/EventLog.h"
#include "core/Windows1252.h"
#include "forwarding/MessageFormat.h"
#include "support/AgentProcess.h"
#include "support/Poll.h"
#include "support/Station.h"
#include "support/TestPlant.h"
#include "support/TestSeed.h"

#include <QFile>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QString simPath = GELMAR_SIM_PATH;
const QString plantName = "Depuradora Peñón";

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s) {
    return pollUntil(done, limit);
}

bool refuses(quint16 port) {
    QTcpSocket s;
    s.connectToHost("127.0.0.1", port);
    waitFor(
        [&] {
            return s.state() == QAbstractSocket::UnconnectedState ||
                   s.state() == QAbstractSocket::ConnectedState;
        },
        2s);
    return s.state() == QAbstractSocket::UnconnectedState;
}

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
    ForwardingEndToEnd() {
        // The watchdog's own notices (acquisition stopped, …) have end-to-end tests of their own.
        IniFile::write(plant.ini(), "EXCLUDE", "1", "SISTEMA##*");
    }

    TestPlant plant{plantName};
    QTemporaryDir logs;

    // An agent run without a screen, its logs kept apart, each link wait cut to linkWaitMs.
    std::unique_ptr<AgentProcess> agent(int tickMs, int linkWaitMs) const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("TMP", logs.path());
        e.insert("LANG", "C");
        e.remove("LC_ALL");
        e.insert("VORNNET_LINK_WAIT_MS", QString::number(linkWaitMs));
        auto a =
            std::make_unique<AgentProcess>(QStringList{"--unattended", "--trace", "--folder", plant.program,
                                                       "--tick-ms", QString::number(tickMs)},
                                           e);
        EXPECT_TRUE(a->start());
        return a;
    }
    void point(const QString& suffix, quint16 port) const {
        plant.config("IpQuarnCenter" + suffix, "127.0.0.1");
        plant.config("RemotePort" + suffix, QString::number(port));
    }
    // The position file, named after the plant as the supervision system spells it.
    QByteArray ultcod() const {
        return readAll(QDir(plant.program).filePath("VornNetUltCod_" + plantName + ".ini"));
    }
    static QByteArray position(qint64 id) { return " " + QByteArray::number(id) + "\r\n"; }
    bool waitUltcod(qint64 id, std::chrono::milliseconds limit = 15s) const {
        return waitFor([&] { return ultcod() == position(id); }, limit);
    }
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
    point("", station.port);
    const qint64 first = ctlAddAlarm(4, 40, 1, wholeSecondNow().addSecs(-30));
    ASSERT_GT(first, 0);

    const auto a = agent(300, 2000);
    ASSERT_TRUE(a->waitOutput("---\n")) << a->err.toStdString();
    EXPECT_EQ(ultcod(), position(first)) << "the first start takes the newest alarm as history";

    const QDateTime when = wholeSecondNow();
    const qint64 alarm = ctlAddAlarm(1, 10, 1, when);
    const qint64 cleared = ctlAddAlarm(3, 30, 0, when.addSecs(1));
    ASSERT_EQ(cleared, alarm + 1);
    ASSERT_TRUE(waitUltcod(cleared)) << ultcod().toStdString() << a->err.toStdString();
    const QByteArray expected = wire(10, "1", when);
    EXPECT_EQ(station.alarms(), (QList<QByteArray>{expected, wire(30, "0", when.addSecs(1))}));
    EXPECT_TRUE(expected.contains("Dep\xf3sito Norte")) << "Windows-1252 on the wire";
    QString logText;
    for (const QString& name : QDir(logs.path()).entryList({"VORNNET-*.log"}))
        logText += QString::fromUtf8(readAll(QDir(logs.path()).filePath(name)));
    EXPECT_TRUE(logText.contains(EventLog::logBody(Windows1252::decode(expected)) + " Hora envio: "))
        << logText.toStdString();
    a->terminate();
    EXPECT_TRUE(a->waitFinished());
}

TEST_F(ForwardingEndToEnd, SecondaryTakesOverAndAnOutageHoldsTheScanUntilAStationReturns) {
    quint16 down;
    {
        QTcpServer s; // bound, then released: refused until a station takes it
        s.listen(QHostAddress::LocalHost, 0);
        down = s.serverPort();
    }
    Station a;
    ASSERT_TRUE(a.start());
    point("", down);
    point("A", a.port);
    const qint64 start = history();

    const auto agentProcess = agent(300, 200);
    ASSERT_TRUE(waitUltcod(start)) << agentProcess->err.toStdString();
    const QDateTime when = wholeSecondNow();
    const qint64 onA = plant.addAlarm(20, "2", 1, when);
    ASSERT_TRUE(waitUltcod(onA));
    EXPECT_EQ(a.alarms(), QList<QByteArray>{wire(20, "1", when)});

    a.setMode("refuse");
    ASSERT_TRUE(waitFor([&] { return refuses(a.port); }));
    QList<qint64> held;
    for (int code : {10, 11, 40})
        held << plant.addAlarm(code, QString::number(code / 10), 1, when.addSecs(code));
    for (int run = 0; run < 2; ++run) { // two whole runs with every station down
        agentProcess->out.clear();
        ASSERT_TRUE(agentProcess->waitOutput("---\n"));
    }
    EXPECT_EQ(ultcod(), position(onA)) << "the scan stops at the first undelivered alarm";

    // The primary comes up on its own port: the held alarms follow, in id order.
    Station primary;
    ASSERT_TRUE(primary.start({"--port", QString::number(down)}));
    ASSERT_TRUE(waitUltcod(held.last())) << ultcod().toStdString();
    EXPECT_EQ(primary.alarms(),
              (QList<QByteArray>{wire(10, "1", when.addSecs(10)), wire(11, "1", when.addSecs(11)),
                                 wire(40, "1", when.addSecs(40))}));
    EXPECT_EQ(a.alarms().size(), 1);
}

TEST_F(ForwardingEndToEnd, SigtermDuringADeliveryEndsTheAgentAtOnceAndTheAlarmFollowsOnRestart) {
    Station station;
    ASSERT_TRUE(station.start());
    point("", station.port);
    const qint64 start = history();
    // The link's full waits: a silent station holds the delivery for 20 s.
    auto a = agent(200, 20000);
    ASSERT_TRUE(waitUltcod(start)) << a->err.toStdString();
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
    EXPECT_EQ(ultcod(), position(start)) << "an unacknowledged alarm is not passed over";

    station.setMode("echo");
    a = agent(200, 20000);
    ASSERT_TRUE(waitUltcod(alarm));
    EXPECT_EQ(station.alarms(), (QList<QByteArray>{wire(10, "1", when), wire(10, "1", when)}));
}
