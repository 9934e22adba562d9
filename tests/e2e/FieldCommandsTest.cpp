// The field commands as an integrator runs them: --test-link against stations that echo, refuse and stay
// silent; --status of a running, a missing and a stopped agent; the systemd notifications on a datagram
// socket bound by the test.
#include "core/AgentLocale.h"
#include "support/Poll.h"
#include "support/ProcessHarness.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

struct Ran {
    int exitCode = -1;
    QString out;
    qint64 ms = 0;
};

// A command of the agent that ends by itself, run to its end.
Ran runCommand(const ProcessHarness& f, const QStringList& args, std::chrono::milliseconds limit = 30s) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("TMP"), f.logs.path());
    e.insert(QStringLiteral("VORNNET_LINK_WAIT_MS"), QStringLiteral("800"));
    AgentProcess p(args + QStringList{QStringLiteral("--folder"), f.plant.program}, e);
    QElapsedTimer t;
    t.start();
    Ran r;
    if (!p.start() || !p.waitFinished(limit))
        return r;
    r.ms = t.elapsed();
    r.exitCode = p.process.exitStatus() == QProcess::NormalExit ? p.process.exitCode() : -1;
    r.out = QString::fromUtf8(p.out);
    return r;
}

QString lineOf(const QString& out, const QString& start) {
    for (const QString& line : out.split(QLatin1Char('\n')))
        if (line.startsWith(start))
            return line;
    return {};
}

} // namespace

TEST(FieldCommands, TestLinkTellsEachLinkOnItsOwn) {
    ProcessHarness f({.test = "TestLinkTellsEachLinkOnItsOwn"});
    Station echo, refusing, silent;
    ASSERT_TRUE(echo.start());
    // A station whose port nobody listens on any more: connections are refused.
    ASSERT_TRUE(refusing.start());
    ASSERT_TRUE(refusing.stop());
    ASSERT_TRUE(silent.start());
    silent.setMode("silent");
    // Each case: what links 1, 2 and 3 point at (e echo, r refusing, s silent, - nothing) and what
    // their lines say.
    const struct {
        const char* name;
        const char* links;
        int exit;
        QStringList lines;
    } cases[] = {
        {"all echo", "eee", 0, {"OK eco \"Recibido:@@EDAR Norte##LIFETEST", "OK eco", "OK eco"}},
        {"refused and silent", "ers", 1, {"OK eco", "FALLO conexión rechazada", "FALLO sin eco en 800 ms"}},
        {"primary silent, no B", "se-", 1, {"FALLO sin eco en 800 ms", "OK eco", "no configurado"}},
    };
    // The plant name the life test carries comes from the position file.
    UltCodFile(f.plant.program, UltCodFile::Kind::Alarms, QStringLiteral("EDAR Norte")).write(7);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QMap<char, const Station*> named{{'e', &echo}, {'r', &refusing}, {'s', &silent}};
        const Station* stations[] = {named.value(c.links[0]), named.value(c.links[1]),
                                     named.value(c.links[2])};
        const char* suffixes[] = {"", "A", "B"};
        for (int i = 0; i < 3; ++i) {
            if (stations[i])
                f.point(QLatin1String(suffixes[i]), stations[i]->port);
            else
                f.plant.config(QStringLiteral("IpQuarnCenter") + QLatin1String(suffixes[i]), QString());
        }
        const QByteArray before = echo.recorded();
        const Ran r = runCommand(f, {QStringLiteral("--test-link")});
        EXPECT_EQ(r.exitCode, c.exit) << r.out.toStdString();
        for (int i = 0; i < 3; ++i) {
            const QString line = lineOf(r.out, QStringLiteral("Enlace %1 ").arg(i + 1));
            EXPECT_TRUE(line.contains(c.lines[i])) << line.toStdString();
            if (stations[i])
                EXPECT_TRUE(line.contains(QStringLiteral("127.0.0.1:%1").arg(stations[i]->port)))
                    << line.toStdString();
        }
        // Refused costs nothing, silent one echo wait: far from three full connect and echo waits.
        EXPECT_LT(r.ms, 8000);
        const int echoed = static_cast<int>(echo.recorded().mid(before.size()).count("##LIFETEST##"));
        EXPECT_EQ(echoed,
                  static_cast<int>(std::count_if(c.lines.begin(), c.lines.end(), [](const QString& l) {
                      return l.startsWith(QLatin1String("OK"));
                  })));
    }
    // Nothing taken or written in the folder: no lock, no state.
    EXPECT_FALSE(QFile::exists(QDir(f.plant.program).filePath(QStringLiteral("vornnet.lock"))));
    EXPECT_FALSE(QFile::exists(QDir(f.plant.program).filePath(QStringLiteral("status.ini"))));
}

TEST(FieldCommands, StatusOfARunningAMissingAndAStoppedAgent) {
    ProcessHarness f({.test = "StatusOfARunningAMissingAndAStoppedAgent"});
    Station p;
    ASSERT_TRUE(p.start());
    f.point("", p.port);
    EXPECT_EQ(runCommand(f, {QStringLiteral("--status")}).exitCode, 3);

    const QList<qint64> ids = f.addAlarms(ProcessHarness::codes(500, 3));
    const auto agent = f.agent({.tickMs = 100, .linkWaitMs = 300});
    ASSERT_TRUE(f.waitPosition(ids.last(), 15s)) << agent->err.toStdString();

    const auto status = [&f] {
        const Ran r = runCommand(f, {QStringLiteral("--status"), QStringLiteral("--json")});
        return std::pair{r.exitCode, QJsonDocument::fromJson(r.out.toUtf8()).object()};
    };
    auto [code, o] = status();
    EXPECT_EQ(o.value(QStringLiteral("version")).toString(), QStringLiteral(VORNNET_VERSION));
    EXPECT_EQ(o.value(QStringLiteral("pid")).toInteger(), agent->process.processId());
    EXPECT_EQ(o.value(QStringLiteral("plant")).toString(), QStringLiteral("EDAR Norte"));
    EXPECT_EQ(o.value(QStringLiteral("position")).toInteger(), ids.last());
    EXPECT_TRUE(o.value(QStringLiteral("failingSince")).isNull());
    EXPECT_FALSE(o.value(QStringLiteral("smsMode")).toBool(true));
    const QJsonObject conditions = o.value(QStringLiteral("conditions")).toObject();
    EXPECT_EQ(conditions.keys(), (QStringList{"Acquisition", "DbSize", "ModemOK", "freeSize", "time"}));
    const QJsonObject controls = o.value(QStringLiteral("controls")).toObject();
    EXPECT_EQ(controls.value(QStringLiteral("txtPlanta")).toString(), QStringLiteral("EDAR Norte"));
    EXPECT_EQ(controls.value(QStringLiteral("IpQuarn")).toString(), QStringLiteral("127.0.0.1"));
    bool allNormal = true;
    for (const QJsonValue v : conditions)
        allNormal = allNormal && v.toBool();
    EXPECT_EQ(code, allNormal ? 0 : 1);

    // The station goes away: the next alarm fails, and the outage is told with its start.
    ASSERT_TRUE(p.stop());
    f.addAlarms({900});
    ASSERT_TRUE(
        pollUntil([&] { return !status().second.value(QStringLiteral("failingSince")).isNull(); }, 15s));
    std::tie(code, o) = status();
    EXPECT_EQ(code, 1);
    const Ran text = runCommand(f, {QStringLiteral("--status")});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.out.contains(QStringLiteral("Planta: EDAR Norte"))) << text.out.toStdString();
    // The JSON's instant, as the window writes dates.
    const QDateTime failing =
        QDateTime::fromString(o.value(QStringLiteral("failingSince")).toString(), Qt::ISODate);
    ASSERT_TRUE(failing.isValid());
    EXPECT_TRUE(
        text.out.contains(QStringLiteral("Entregas: fallando desde ") + AgentLocale::dateTimeText(failing)))
        << text.out.toStdString();

    // Stopped: the kernel takes the connection, nobody answers.
    ASSERT_EQ(::kill(static_cast<pid_t>(agent->process.processId()), SIGSTOP), 0);
    const Ran stopped = runCommand(f, {QStringLiteral("--status")});
    ::kill(static_cast<pid_t>(agent->process.processId()), SIGCONT);
    EXPECT_EQ(stopped.exitCode, 4) << stopped.out.toStdString();
    EXPECT_GE(stopped.ms, 4500);
    EXPECT_LT(stopped.ms, 7000);

    // Killed: its socket and lock are left behind, and no agent runs.
    agent->process.kill();
    ASSERT_TRUE(agent->waitFinished());
    EXPECT_EQ(runCommand(f, {QStringLiteral("--status")}).exitCode, 3);
}

TEST(FieldCommands, SystemdHearsReadyStatusKeepAlivesAndStopping) {
    ProcessHarness f({.test = "SystemdHearsReadyStatusKeepAlivesAndStopping"});
    Station p;
    ASSERT_TRUE(p.start());
    f.point("", p.port);
    const QString path = f.logs.filePath(QStringLiteral("notify"));
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray native = path.toLocal8Bit();
    ASSERT_LT(native.size(), static_cast<qsizetype>(sizeof addr.sun_path));
    std::memcpy(addr.sun_path, native.constData(), static_cast<size_t>(native.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    // A 600 ms watchdog: a keep-alive every 300 ms.
    const auto agent =
        f.agent({.tickMs = 200,
                 .linkWaitMs = 300,
                 .env = {QStringLiteral("NOTIFY_SOCKET=") + path, QStringLiteral("WATCHDOG_USEC=600000")}});
    QList<std::pair<qint64, QByteArray>> heard;
    QElapsedTimer clock;
    clock.start();
    const auto drain = [&] {
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            heard.append({clock.elapsed(), QByteArray(buffer, static_cast<qsizetype>(n))});
        return false;
    };
    const auto count = [&](const QByteArray& start) {
        return std::count_if(heard.begin(), heard.end(),
                             [&](const auto& m) { return m.second.startsWith(start); });
    };
    pollUntil([&] { return drain() || (count("STATUS=") >= 3 && count("WATCHDOG=1") >= 10); }, 15s);
    agent->terminate();
    ASSERT_TRUE(agent->waitFinished());
    drain();
    ::close(fd);

    ASSERT_FALSE(heard.isEmpty()) << agent->err.toStdString();
    // Keep-alives may come before the load ends; the first word of another kind is READY=1.
    const auto first =
        std::find_if(heard.begin(), heard.end(), [](const auto& m) { return m.second != "WATCHDOG=1"; });
    ASSERT_NE(first, heard.end());
    EXPECT_EQ(first->second, "READY=1");
    EXPECT_EQ(heard.last().second, "STOPPING=1");
    EXPECT_GE(count("STATUS="), 3);
    for (const auto& m : heard)
        if (m.second.startsWith("STATUS="))
            EXPECT_TRUE(m.second.contains("condiciones abiertas:") && !m.second.contains('\n'))
                << m.second.data();
    // At its period: the gaps between keep-alives are about 300 ms, never near the 600 ms limit.
    QList<qint64> gaps;
    qint64 last = -1;
    for (const auto& m : heard)
        if (m.second == "WATCHDOG=1") {
            if (last >= 0)
                gaps << m.first - last;
            last = m.first;
        }
    ASSERT_GE(gaps.size(), 9);
    std::sort(gaps.begin(), gaps.end());
    EXPECT_GE(gaps[gaps.size() / 2], 200);
    EXPECT_LE(gaps[gaps.size() / 2], 400);
}

// Without a display the window can not open: said, with the way out, and status 2 instead of an abort.
TEST(FieldCommands, NoDisplayEndsWithStatusTwo) {
    ProcessHarness f({.test = "NoDisplayEndsWithStatusTwo"});
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        e.remove(QLatin1String(name));
    e.insert(QStringLiteral("TMP"), f.logs.path());
    AgentProcess p({QStringLiteral("--folder"), f.plant.program}, e);
    ASSERT_TRUE(p.start());
    ASSERT_TRUE(p.waitFinished());
    EXPECT_EQ(p.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.process.exitCode(), 2);
    EXPECT_TRUE(p.err.contains("--unattended")) << p.err.toStdString();
}
