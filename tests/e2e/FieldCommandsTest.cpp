// The field commands as an integrator runs them: --test-link against stations that echo, refuse and stay
// silent; --status of a running, a missing and a stopped agent; the systemd notifications on a datagram
// socket bound by the test.
#include "core/text/AgentLocale.h"
#include "support/ProcessHarness.h"

#include <QMap>
#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

TEST(FieldCommands, TestLinkTellsEachLinkOnItsOwn) {
    ProcessHarness f;
    Station echo, refusing, silent;
    ASSERT_TRUE(echo.start());
    // A station whose port nobody listens on any more: connections are refused.
    ASSERT_TRUE(refusing.start());
    ASSERT_TRUE(refusing.stop());
    ASSERT_TRUE(silent.start());
    silent.setMode("silent");
    // The plant name the life test carries comes from the position file.
    UltCodFile(f.plant.program, UltCodFile::Kind::Alarms, "EDAR Norte").write(7);
    // Each case: what links 1, 2 and 3 point at (e echo, r refusing, s silent, - nothing) and what
    // their lines say.
    const struct {
        const char* links;
        int exit;
        QStringList says;
    } cases[] = {
        {"eee", 0, {"OK eco \"Recibido:@@EDAR Norte##LIFETEST", "OK eco", "OK eco"}},
        {"ers", 1, {"OK eco", "FALLO conexión rechazada", "FALLO sin eco en 800 ms"}},
        {"se-", 1, {"FALLO sin eco en 800 ms", "OK eco", "no configurado"}},
    };
    const QMap<char, const Station*> named{{'e', &echo}, {'r', &refusing}, {'s', &silent}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.links);
        for (int i = 0; i < 3; ++i) {
            const QString suffix = QString(" AB").mid(i, 1).trimmed();
            if (named.contains(c.links[i]))
                f.point(suffix, named[c.links[i]]->port);
            else
                f.plant.config("IpQuarnCenter" + suffix, "");
        }
        const qsizetype echoedBefore = echo.recorded().count("##LIFETEST##");
        const Ran r = f.runCommand({"--test-link"}, {"VORNNET_LINK_WAIT_MS=800"});
        EXPECT_EQ(r.exitCode, c.exit) << r.out;
        for (int i = 0; i < 3; ++i) {
            const QString line = r.out.split('\n').filter(QString("Enlace %1 ").arg(i + 1)).value(0);
            EXPECT_TRUE(line.contains(c.says[i])) << line;
            if (named.contains(c.links[i]))
                EXPECT_TRUE(line.contains(QString("127.0.0.1:%1").arg(named[c.links[i]]->port))) << line;
        }
        // Refused costs nothing, silent one echo wait: far from three full connect and echo waits.
        EXPECT_LT(r.ms, 8000);
        EXPECT_EQ(echo.recorded().count("##LIFETEST##") - echoedBefore,
                  c.says.filter(QRegularExpression("^OK")).size());
    }
    // Nothing taken or written in the folder: no lock, no state.
    EXPECT_FALSE(QFile::exists(QDir(f.plant.program).filePath("vornnet.lock")));
    EXPECT_FALSE(QFile::exists(StatusFile(f.plant.program).path()));
}

TEST(FieldCommands, StatusOfARunningAMissingAndAStoppedAgent) {
    ProcessHarness f;
    Station p;
    ASSERT_TRUE(f.startStation(p));
    EXPECT_EQ(f.runCommand({"--status"}).exitCode, 3);

    const QList<qint64> ids = f.addAlarms(ProcessHarness::codes(500, 3));
    const auto agent = f.agent({.tickMs = 100, .linkWaitMs = 300});
    ASSERT_TRUE(f.waitPosition(ids.last(), 15s)) << agent->err;
    const auto status = [&f] { return f.runCommand({"--status", "--json"}); };
    Ran s = status();
    const QJsonObject o = s.json();
    EXPECT_EQ(o.value("version").toString(), VORNNET_VERSION);
    EXPECT_EQ(o.value("pid").toInteger(), agent->process.processId());
    EXPECT_EQ(o.value("plant").toString(), "EDAR Norte");
    EXPECT_EQ(o.value("position").toInteger(), ids.last());
    EXPECT_TRUE(o.value("failingSince").isNull());
    EXPECT_FALSE(o.value("smsMode").toBool(true));
    EXPECT_EQ(o.value("unwrittenLogLines").toInteger(-1), 0);
    const QJsonObject conditions = o.value("conditions").toObject();
    EXPECT_EQ(conditions.keys(), (QStringList{"Acquisition", "DbSize", "ModemOK", "freeSize", "time"}));
    EXPECT_EQ(o.value("controls").toObject().value("IpQuarn").toString(), "127.0.0.1");
    const bool allNormal =
        std::all_of(conditions.begin(), conditions.end(), [](auto v) { return v.toBool(); });
    EXPECT_EQ(s.exitCode, allNormal ? 0 : 1);

    // The station goes away: the next alarm fails, and the outage is told with its start.
    ASSERT_TRUE(p.stop());
    f.addAlarms({900});
    ASSERT_TRUE(pollUntil([&] { return !status().json().value("failingSince").isNull(); }, 15s));
    s = status();
    EXPECT_EQ(s.exitCode, 1);
    const Ran text = f.runCommand({"--status"});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.out.contains("Planta: EDAR Norte")) << text.out;
    EXPECT_TRUE(text.out.contains("Registro de eventos: todas las líneas escritas"));
    // The JSON's instant, as the window writes dates.
    const QDateTime failing = QDateTime::fromString(s.json().value("failingSince").toString(), Qt::ISODate);
    ASSERT_TRUE(failing.isValid());
    EXPECT_TRUE(
        text.out.contains(QStringLiteral("Entregas: fallando desde ") + AgentLocale::dateTimeText(failing)))
        << text.out;

    // Stopped: the kernel takes the connection, nobody answers.
    const auto pid = static_cast<pid_t>(agent->process.processId());
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    const Ran stopped = f.runCommand({"--status"});
    ::kill(pid, SIGCONT);
    EXPECT_EQ(stopped.exitCode, 4) << stopped.out;
    EXPECT_GE(stopped.ms, 4500);
    EXPECT_LT(stopped.ms, 7000);

    // Killed: its socket and lock are left behind, and no agent runs.
    ASSERT_TRUE(agent->kill());
    EXPECT_EQ(f.runCommand({"--status"}).exitCode, 3);
}

TEST(FieldCommands, SystemdHearsReadyStatusKeepAlivesAndStopping) {
    ProcessHarness f;
    Station p;
    ASSERT_TRUE(f.startStation(p));
    const QByteArray path = f.logs.filePath("notify").toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), static_cast<qsizetype>(sizeof addr.sun_path));
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    // A 600 ms watchdog: a keep-alive every 300 ms.
    const auto agent = f.agent({.linkWaitMs = 300, .env = {"NOTIFY_SOCKET=" + path, "WATCHDOG_USEC=600000"}});
    QList<std::pair<qint64, QByteArray>> heard;
    QElapsedTimer clock;
    clock.start();
    const auto drain = [&] {
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            heard.append({clock.elapsed(), QByteArray(buffer, static_cast<qsizetype>(n))});
    };
    const auto count = [&](const QByteArray& start) {
        return std::count_if(heard.begin(), heard.end(),
                             [&](const auto& m) { return m.second.startsWith(start); });
    };
    pollUntil([&] { return drain(), count("STATUS=") >= 3 && count("WATCHDOG=1") >= 10; }, 15s);
    ASSERT_TRUE(agent->stop());
    drain();
    ::close(fd);

    // Keep-alives may come before the load ends; the first word of another kind is READY=1.
    const auto first =
        std::find_if(heard.begin(), heard.end(), [](auto& m) { return m.second != "WATCHDOG=1"; });
    ASSERT_NE(first, heard.end()) << agent->err;
    EXPECT_EQ(first->second, "READY=1");
    EXPECT_EQ(heard.last().second, "STOPPING=1");
    EXPECT_GE(count("STATUS="), 3);
    QList<qint64> gaps;
    qint64 last = -1;
    for (const auto& [at, m] : heard) {
        if (m.startsWith("STATUS="))
            EXPECT_TRUE(m.contains("condiciones abiertas:") && !m.contains('\n')) << m.data();
        if (m == "WATCHDOG=1") {
            if (last >= 0)
                gaps << at - last;
            last = at;
        }
    }
    // At its period: the gaps between keep-alives are about 300 ms, never near the 600 ms limit.
    ASSERT_GE(gaps.size(), 9);
    std::sort(gaps.begin(), gaps.end());
    EXPECT_GE(gaps[gaps.size() / 2], 200);
    EXPECT_LE(gaps[gaps.size() / 2], 400);
}
