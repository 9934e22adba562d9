// Whole processes: the agent, the central-station stand-in and the supervision stand-in, each alarm
// followed from the supervision database to the central station's record.
#include "core/Windows1252.h"
#include "forwarding/MessageFormat.h"
#include "standins/QuarnCenterProcess.h"
#include "support/AgentProcess.h"
#include "support/TestPlant.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace std::chrono_literals;

namespace {

const QString simPath = QStringLiteral(GELMAR_SIM_PATH);

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The ALARM messages a central station recorded, as raw bytes, in the order received.
QList<QByteArray> recordedAlarms(const QString& record) {
    QList<QByteArray> alarms;
    for (const QByteArray& line : readAll(record).split('\n'))
        if (line.contains("##ALARM##"))
            alarms << line;
    return alarms;
}

// A port nobody listens on: a connection to it is refused.
quint16 closedPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s) {
    return BoundedWait().until(done, limit);
}

bool refuses(quint16 port) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), port);
    waitFor(
        [&] {
            return s.state() == QAbstractSocket::UnconnectedState ||
                   s.state() == QAbstractSocket::ConnectedState;
        },
        2s);
    return s.state() == QAbstractSocket::UnconnectedState;
}

// Whole or not at all: the station reads the file on every connection.
void writeFile(const QString& path, const QByteArray& content) {
    QSaveFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(content);
    f.commit();
}

// A central station with its own record file.
struct Station {
    QTemporaryDir dir;
    QString record = dir.filePath(QStringLiteral("record"));
    QString modeFile = dir.filePath(QStringLiteral("mode"));
    QuarnCenterProcess process;

    bool start(QStringList extra = {}) {
        writeFile(modeFile, "echo");
        return process.start(QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                         QStringLiteral("--record"), record, QStringLiteral("--mode-file"),
                                         modeFile} +
                             extra);
    }
    void setMode(const QByteArray& mode) { writeFile(modeFile, mode); }
    QList<QByteArray> alarms() const { return recordedAlarms(record); }
};

class ForwardingEndToEnd : public ::testing::Test {
protected:
    TestPlant plant{QStringLiteral("Depuradora Peñón")};
    QTemporaryDir logs;

    QProcessEnvironment env(int linkWaitMs) const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("TMP"), logs.path());
        e.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        e.remove(QStringLiteral("LC_ALL"));
        e.insert(QStringLiteral("VORNNET_LINK_WAIT_MS"), QString::number(linkWaitMs));
        return e;
    }
    QStringList args(int tickMs) const {
        return {QStringLiteral("--unattended"), QStringLiteral("--folder"), plant.program,
                QStringLiteral("--tick-ms"), QString::number(tickMs)};
    }
    void primary(const QString& address, quint16 port) const {
        plant.config(QStringLiteral("IpQuarnCenter"), address);
        plant.config(QStringLiteral("RemotePort"), QString::number(port));
    }
    // The position file, named after the plant as the supervision system spells it.
    QByteArray ultcod() const {
        return readAll(QDir(plant.program).filePath(QStringLiteral("VornNetUltCod_Depuradora Peñón.ini")));
    }
    static QByteArray position(qint64 id) { return " " + QByteArray::number(id) + "\r\n"; }
    bool waitUltcod(qint64 id, std::chrono::milliseconds limit = 15s) const {
        return waitFor([&] { return ultcod() == position(id); }, limit);
    }
    QString logText() const {
        QString text;
        for (const QString& name : QDir(logs.path()).entryList({QStringLiteral("VORNNET-*.log")}))
            text += QString::fromUtf8(readAll(QDir(logs.path()).filePath(name)));
        return text;
    }
    // An alarm already there when the agent first starts: the starting point, never sent.
    qint64 history() const {
        return plant.addAlarm(40, QStringLiteral("4"), 1, QDateTime::currentDateTime().addSecs(-60));
    }
    static QDateTime wholeSecondNow() {
        const QDateTime now = QDateTime::currentDateTime();
        return now.addMSecs(-now.time().msec());
    }
    static QByteArray wire(qint64 code, const QString& state, const QString& text, const QString& device,
                           const QDateTime& when) {
        return Windows1252::encode(
            MessageFormat::liveAlarm(QStringLiteral("Depuradora Peñón"), code, state, text, device, when));
    }
};

} // namespace

TEST_F(ForwardingEndToEnd, AlarmRecordedByTheRunningSupervisionReachesTheStationByteForByte) {
    // The plant's databases are there already; the installation adds the programs around them.
    QString error;
    ASSERT_TRUE(GelmarInstall::install(plant.gelmar, QStringLiteral("Depuradora Peñón"), simPath, &error))
        << error.toStdString();
    QProcess gsnet;
    gsnet.start(QDir(plant.gelmar).filePath(GelmarInstall::networkServer),
                {QStringLiteral("--history-ms"), QStringLiteral("500")});
    const auto stopSupervision = qScopeGuard([&] {
        gsnet.terminate();
        waitFor([&] { return gsnet.state() == QProcess::NotRunning; }, 5s);
        for (const QString& name : GelmarInstall::executables)
            for (qint64 pid : GelmarInstall::runningFrom(plant.gelmar, name))
                ::kill(static_cast<pid_t>(pid), SIGTERM);
    });
    QByteArray gsnetOut;
    ASSERT_TRUE(waitFor(
        [&] {
            gsnetOut += gsnet.readAllStandardOutput();
            return gsnetOut.startsWith("recording ");
        },
        10s));

    const auto ctlAddAlarm = [&](int instrument, int code, int state, const QDateTime& when) {
        QProcess ctl;
        ctl.start(simPath,
                  {QStringLiteral("ctl"), plant.gelmar, QStringLiteral("add-alarm"),
                   QStringLiteral("--instrument"), QString::number(instrument), QStringLiteral("--code"),
                   QString::number(code), QStringLiteral("--state"), QString::number(state),
                   QStringLiteral("--time"), when.toString(GelmarInstall::dateFormat)});
        EXPECT_TRUE(waitFor([&] { return ctl.state() == QProcess::NotRunning; }, 10s));
        return ctl.readAllStandardOutput().trimmed().toLongLong();
    };

    Station station;
    ASSERT_TRUE(station.start());
    primary(QStringLiteral("127.0.0.1"), station.process.port());
    const qint64 first = ctlAddAlarm(4, 40, 1, wholeSecondNow().addSecs(-30));
    ASSERT_GT(first, 0);

    AgentProcess agent(args(300), env(2000));
    ASSERT_TRUE(agent.start());
    ASSERT_TRUE(agent.waitOutput(QStringLiteral("---\n"))) << agent.err.toStdString();
    EXPECT_EQ(ultcod(), position(first)) << "the first start takes the newest alarm as history";

    const QDateTime when = wholeSecondNow();
    const qint64 alarm = ctlAddAlarm(1, 10, 1, when);
    const qint64 cleared = ctlAddAlarm(3, 30, 0, when.addSecs(1));
    ASSERT_EQ(cleared, alarm + 1);
    const QByteArray expected =
        wire(10, QStringLiteral("1"), QStringLiteral("Nivel alto"), QStringLiteral("Depósito Norte"), when);
    ASSERT_TRUE(waitUltcod(cleared)) << ultcod().toStdString() << agent.err.toStdString();
    EXPECT_EQ(station.alarms(),
              (QList<QByteArray>{expected, wire(30, QStringLiteral("0"), QStringLiteral("Clorobajo"),
                                                QStringLiteral("Clorador"), when.addSecs(1))}));
    EXPECT_TRUE(expected.contains("Dep\xf3sito Norte")) << "Windows-1252 on the wire";
    EXPECT_TRUE(logText().contains(MessageFormat::logBody(Windows1252::decode(expected)) +
                                   QStringLiteral(" Hora envio: ")))
        << logText().toStdString();
    agent.terminate();
    EXPECT_TRUE(agent.waitFinished());
}

TEST_F(ForwardingEndToEnd, SecondaryTakesOverAndAnOutageHoldsTheScanUntilAStationReturns) {
    const quint16 down = closedPort();
    Station a;
    ASSERT_TRUE(a.start());
    primary(QStringLiteral("127.0.0.1"), down);
    plant.config(QStringLiteral("IpQuarnCenterA"), QStringLiteral("127.0.0.1"));
    plant.config(QStringLiteral("RemotePortA"), QString::number(a.process.port()));
    const qint64 start = history();

    AgentProcess agent(args(300), env(200));
    ASSERT_TRUE(agent.start());
    ASSERT_TRUE(waitUltcod(start)) << agent.err.toStdString();
    const QDateTime when = wholeSecondNow();
    const qint64 onA = plant.addAlarm(20, QStringLiteral("2"), 1, when);
    ASSERT_TRUE(waitUltcod(onA));
    EXPECT_EQ(a.alarms(), QList<QByteArray>{wire(20, QStringLiteral("1"), QStringLiteral("Fallo térmico"),
                                                 QStringLiteral("Bomba 2"), when)});

    a.setMode("refuse");
    ASSERT_TRUE(waitFor([&] { return refuses(a.process.port()); }));
    QList<qint64> held;
    for (int code : {10, 11, 40})
        held << plant.addAlarm(code, QString::number(code / 10), 1, when.addSecs(code));
    // Two whole runs with every station down.
    agent.out.clear();
    ASSERT_TRUE(agent.waitOutput(QStringLiteral("---\n")));
    agent.out.clear();
    ASSERT_TRUE(agent.waitOutput(QStringLiteral("---\n")));
    EXPECT_EQ(ultcod(), position(onA)) << "the scan stops at the first undelivered alarm";
    EXPECT_EQ(a.alarms().size(), 1);

    // The primary comes up on its own port: the held alarms follow, in id order.
    Station primaryStation;
    ASSERT_TRUE(primaryStation.start({QStringLiteral("--port"), QString::number(down)}));
    ASSERT_TRUE(waitUltcod(held.last())) << ultcod().toStdString();
    EXPECT_EQ(primaryStation.alarms(),
              (QList<QByteArray>{wire(10, QStringLiteral("1"), QStringLiteral("Nivel alto"),
                                      QStringLiteral("Depósito Norte"), when.addSecs(10)),
                                 wire(11, QStringLiteral("1"), QStringLiteral("Nivel bajo"),
                                      QStringLiteral("Depósito Norte"), when.addSecs(11)),
                                 wire(40, QStringLiteral("1"), QStringLiteral("Caudal nulo"),
                                      QStringLiteral("Caudalímetro entrada"), when.addSecs(40))}));
    EXPECT_EQ(a.alarms().size(), 1);
}

TEST_F(ForwardingEndToEnd, KilledAtRandomMomentsLosesNoAlarmAndRepeatsOnlyTheOneInFlight) {
    // A slow station keeps a delivery in flight long enough for the kills to land inside many of them.
    Station station;
    ASSERT_TRUE(station.start({QStringLiteral("--delay-ms"), QStringLiteral("20")}));
    primary(QStringLiteral("127.0.0.1"), station.process.port());
    const qint64 start = history();
    {
        AgentProcess first(args(100), env(300));
        ASSERT_TRUE(first.start());
        ASSERT_TRUE(waitUltcod(start)) << first.err.toStdString();
        first.process.kill();
        ASSERT_TRUE(first.waitFinished());
    }

    // Codes are unique, so each recorded message names its alarm.
    constexpr int backlog = 200;
    std::map<qint64, qint64> idOfCode;
    const QDateTime when = wholeSecondNow().addSecs(-backlog);
    for (int i = 0; i < backlog; ++i) {
        const qint64 code = 1000 + i;
        const qint64 id = plant.addAlarm(code, QString::number(1 + i % 4), i % 2, when.addSecs(i));
        ASSERT_GT(id, 0);
        idOfCode[code] = id;
    }

    QRandomGenerator random(QRandomGenerator::global()->generate());
    constexpr int kills = 20;
    for (int k = 0; k < kills; ++k) {
        AgentProcess agent(args(50), env(300));
        ASSERT_TRUE(agent.start());
        if (k % 2 == 0)
            BoundedWait().pause(std::chrono::milliseconds(random.bounded(50, 400)));
        else if (agent.waitOutput(QStringLiteral("Busca Alarmas")))
            BoundedWait().pause(std::chrono::milliseconds(random.bounded(0, 150)));
        agent.process.kill();
        ASSERT_TRUE(agent.waitFinished());
        const QByteArray text = ultcod();
        EXPECT_TRUE(
            QRegularExpression(QStringLiteral("^ \\d+\\r\\n$")).match(QString::fromLatin1(text)).hasMatch())
            << "after kill " << k << ": '" << text.toStdString() << "'";
    }

    AgentProcess last(args(50), env(300));
    ASSERT_TRUE(last.start());
    ASSERT_TRUE(waitUltcod(idOfCode.rbegin()->second, 30s)) << ultcod().toStdString();
    last.terminate();
    ASSERT_TRUE(last.waitFinished());

    QList<qint64> received;
    for (const QByteArray& message : station.alarms()) {
        const qint64 code = message.split('#').value(4).toLongLong(); // @@plant##ALARM##code##…
        ASSERT_TRUE(idOfCode.count(code)) << message.toStdString();
        received << idOfCode[code];
    }
    int repeats = 0;
    for (qsizetype i = 1; i < received.size(); ++i) {
        EXPECT_GE(received[i], received[i - 1]) << "out of order at " << i;
        repeats += received[i] == received[i - 1];
    }
    std::set<qint64> distinct(received.begin(), received.end());
    EXPECT_EQ(distinct.size(), std::size_t(backlog)) << "every alarm reached the station";
    EXPECT_LE(repeats, kills);
}

TEST_F(ForwardingEndToEnd, SigtermDuringADeliveryEndsTheAgentAtOnceAndTheAlarmFollowsOnRestart) {
    Station station;
    ASSERT_TRUE(station.start());
    primary(QStringLiteral("127.0.0.1"), station.process.port());
    const qint64 start = history();
    // The link's full waits: a silent station holds the delivery for 20 s.
    AgentProcess agent(args(200), env(20000));
    ASSERT_TRUE(agent.start());
    ASSERT_TRUE(waitUltcod(start)) << agent.err.toStdString();
    station.setMode("silent");
    const QDateTime when = wholeSecondNow();
    const qint64 alarm = plant.addAlarm(10, QStringLiteral("1"), 1, when);
    ASSERT_TRUE(waitFor([&] { return station.alarms().size() == 1; })) << "the delivery is in flight";

    agent.terminate();
    ASSERT_TRUE(agent.waitFinished(3s)) << "a shutdown does not wait out the link";
    EXPECT_EQ(agent.process.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(QDir(plant.program).filePath(QStringLiteral("vornnet.lock"))));
    EXPECT_EQ(ultcod(), position(start)) << "an unacknowledged alarm is not passed over";

    station.setMode("echo");
    AgentProcess again(args(200), env(20000));
    ASSERT_TRUE(again.start());
    ASSERT_TRUE(waitUltcod(alarm));
    const QByteArray expected =
        wire(10, QStringLiteral("1"), QStringLiteral("Nivel alto"), QStringLiteral("Depósito Norte"), when);
    EXPECT_EQ(station.alarms(), (QList<QByteArray>{expected, expected}));
}
