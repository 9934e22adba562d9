#include "support/ProcessHarness.h"

#include <csignal>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Logs in the program folder (no TMP, no TEMP); no central station is configured here, so each delivery
// attempt fails after the harness's short link wait.
AgentRun quiet(const QString& dbWaitMs = {}) {
    AgentRun run{.trace = false, .logsInProgram = true};
    if (!dbWaitMs.isEmpty())
        run.env << "VORNNET_DB_WAIT_MS=" + dbWaitMs;
    return run;
}

// The status update runs at the first tick of each minute ending in 0 or 5 and would change the flags a
// test reads right after start-up: start away from such a minute.
void awayFromTheStatusUpdate() {
    const auto near = [] {
        const QTime t = QTime::currentTime();
        return t.minute() % 5 == 0 || (t.minute() % 5 == 4 && t.second() >= 50);
    };
    if (near())
        waitFor([&] { return !near(); }, 75s);
}

// Standard error split in two: the diagnostic lines of one category ("vornnet.db"), without it, and the
// rest (the unattended message boxes).
QStringList diagnostics(const QByteArray& err, const QString& category) {
    QStringList out;
    for (const QString& line : QString::fromUtf8(err).split('\n', Qt::SkipEmptyParts))
        if (line.startsWith(category + ": "))
            out << line.mid(category.size() + 2);
    return out;
}
QStringList messages(const QByteArray& err) {
    QStringList out;
    for (const QString& line : QString::fromUtf8(err).split('\n', Qt::SkipEmptyParts))
        if (!line.startsWith("vornnet."))
            out << line;
    return out;
}

} // namespace

TEST(AgentProcess, UnattendedStartsTicksAndEndsOnSigterm) {
    ProcessHarness h({.alarmsOnly = false});
    const TestPlant& plant = h.plant;
    plant.config("IpQuarnCenter", "127.0.0.9");
    plant.config("IpQuarnCenterA", "central-a.example");
    plant.config("RemotePortA", "5001");
    awayFromTheStatusUpdate();
    AgentRun traced = quiet();
    traced.trace = true;
    const auto a = h.agent(traced);
    AgentProcess& agent = *a;
    ASSERT_TRUE(agent.waitOutput("---\n")) << agent.err.toStdString();
    EXPECT_TRUE(
        agent.out.startsWith("Actualiza Datos\nActualiza Leds\nCheckSMS\nBusca Alarmas\nSincroniza reloj\n"
                             "Test Net Activo\nOptimiza\n---\n"))
        << agent.out.toStdString();
    for (auto [key, value] : {std::pair{"Acquisition", "1"},
                              {"DbSize", "1"},
                              {"FreeSize", "1"},
                              {"Time", "1"},
                              {"SMSON", "0"},
                              {"ModemOK", "1"}})
        EXPECT_EQ(IniFile::read(QDir(plant.program).filePath("status.ini"), "status", key), value) << key;
    const QStringList lines = logLines(plant.program);
    ASSERT_FALSE(lines.isEmpty()) << "logs go to the program folder without TMP and TEMP";
    EXPECT_TRUE(lines[0].startsWith("VORNNET Iniciado el ")) << lines[0].toStdString();
    EXPECT_EQ(lines.filter("VORNNET Iniciado el ").size(), 1);

    agent.terminate();
    ASSERT_TRUE(agent.waitFinished());
    EXPECT_EQ(agent.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(agent.process.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(QDir(plant.program).filePath("vornnet.lock")));

    // Standard error: the start line (version, folder, databases, stations) and the stop line.
    const QStringList said = diagnostics(agent.err, "vornnet.agent");
    ASSERT_EQ(said.size(), 2) << agent.err.toStdString();
    for (const QString& part : {QString("vornnet 5.51"), plant.program, QString("sqlite"),
                                GelmarInstall::databasePath(plant.gelmar, GelmarInstall::acquired),
                                QString("127.0.0.9:1003"), QString("central-a.example:5001")})
        EXPECT_TRUE(said[0].startsWith("inicio: ") && said[0].contains(part))
            << said[0].toStdString() << " lacks " << part.toStdString();
    EXPECT_EQ(said[1], "fin: señal SIGTERM");
    EXPECT_TRUE(messages(agent.err).isEmpty()) << agent.err.toStdString();
}

TEST(AgentProcess, ASecondCopyEndsSilentlyAndLeavesTheFirstAlone) {
    ProcessHarness h;
    const TestPlant& plant = h.plant;
    const AgentRun run{.trace = false};
    const auto a = h.agent(run);
    AgentProcess& first = *a;
    ASSERT_TRUE(waitFor([&] { return !h.logLines().isEmpty(); }, 10s));
    const QStringList before = QDir(plant.program).entryList(QDir::Files | QDir::Hidden);

    const auto b = h.agent(run);
    AgentProcess& second = *b;
    ASSERT_TRUE(second.waitFinished());
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_EQ(second.out + second.err, QByteArray());
    EXPECT_EQ(h.logLines().filter("VORNNET Iniciado el ").size(), 1) << "the second copy wrote no start line";
    EXPECT_EQ(QDir(plant.program).entryList(QDir::Files | QDir::Hidden), before);
    EXPECT_EQ(first.process.state(), QProcess::Running) << "the first copy is still running";
    // A few runs of the scheduler later: no step labels without --trace.
    BoundedWait().pause(1000ms);
    EXPECT_EQ(first.out, QByteArray());
}

TEST(AgentProcess, CommandLine) {
    AgentProcess version({"--version"});
    ASSERT_TRUE(version.start());
    ASSERT_TRUE(version.waitFinished());
    EXPECT_EQ(version.out, "vornnet 5.51\n");

    for (const QStringList& bad :
         {QStringList{"--bogus"}, {"--tick-ms", "abc"}, {"--tick-ms"}, {"--folder", "/no/such/folder"}}) {
        AgentProcess p(bad);
        ASSERT_TRUE(p.start());
        ASSERT_TRUE(p.waitFinished());
        EXPECT_EQ(p.process.exitCode(), 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(p.err.startsWith("vornnet: ")) << p.err.toStdString();
    }
}

TEST(AgentProcess, DatabasesThatAppearLateOrNever) {
    // The server comes up 4 s after the agent: a normal start, no message, no log line of it.
    ProcessHarness lateHarness({.databases = false});
    const TestPlant& late = lateHarness.plant;
    QTemporaryDir staging;
    QString error;
    ASSERT_TRUE(GelmarInstall::createDatabases(staging.path(), "EDAR Norte", &error)) << error.toStdString();
    const auto a = lateHarness.agent(quiet("15000"));
    AgentProcess& agent = *a;
    BoundedWait().pause(4s);
    EXPECT_EQ(agent.process.state(), QProcess::Running);
    ASSERT_TRUE(
        QDir().rename(QDir(staging.path()).filePath("database"), QDir(late.gelmar).filePath("database")));
    ASSERT_TRUE(waitFor([&] { return !logLines(late.program).isEmpty(); }, 10s)) << agent.err.toStdString();
    EXPECT_TRUE(messages(agent.err).isEmpty()) << agent.err.toStdString();
    QStringList lines = logLines(late.program);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].startsWith("VORNNET Iniciado el ")) << "and no time-out line before it";
    EXPECT_TRUE(lines.filter("base de datos").isEmpty());

    // A server that never comes: one log line, one message, then the end with a failure status.
    ProcessHarness neverHarness({.databases = false});
    const TestPlant& never = neverHarness.plant;
    const auto f = neverHarness.agent(quiet("1500"));
    AgentProcess& failed = *f;
    ASSERT_TRUE(failed.waitFinished(15s));
    EXPECT_EQ(failed.process.exitCode(), 1);
    EXPECT_EQ(
        messages(failed.err),
        QStringList(
            "Vorn-Net: La conexión con la base de datos del Gelmar no se ha completado en 60 segundos"));
    const QStringList why = diagnostics(failed.err, "vornnet.db");
    ASSERT_EQ(why.size(), 1) << failed.err.toStdString();
    EXPECT_TRUE(why[0].contains(GelmarInstall::databasePath(never.gelmar, GelmarInstall::acquired)))
        << why[0].toStdString();
    EXPECT_EQ(diagnostics(failed.err, "vornnet.agent").value(1), "fin: el arranque ha terminado el programa");
    lines = logLines(never.program);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(
        lines[0].startsWith("La conexión con la base de datos no se ha completado en 60 segundos. Hora: "));
    EXPECT_FALSE(QFile::exists(GelmarInstall::databasePath(never.gelmar, GelmarInstall::acquired)))
        << "the agent never creates the supervision databases";
}

TEST(AgentProcess, SigtermWhileWaitingForTheDatabasesEndsAtOnceAndQuietly) {
    ProcessHarness h({.databases = false});
    const TestPlant& plant = h.plant;
    const auto a = h.agent(quiet("20000"));
    AgentProcess& agent = *a;
    // The lock is taken just before the databases are opened.
    const QString lock = QDir(plant.program).filePath("vornnet.lock");
    ASSERT_TRUE(waitFor([&] { return QFile::exists(lock); }, 5s));
    agent.terminate();
    ASSERT_TRUE(agent.waitFinished(3s)) << "a shutdown does not wait out the database window";
    EXPECT_EQ(agent.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(agent.process.exitCode(), 0);
    EXPECT_EQ(agent.out, QByteArray()) << "no run starts";
    EXPECT_TRUE(messages(agent.err).isEmpty()) << agent.err.toStdString();
    EXPECT_TRUE(diagnostics(agent.err, "vornnet.db").isEmpty()) << "giving up is not a database fault";
    EXPECT_TRUE(logLines(plant.program).filter("base de datos").isEmpty());
    EXPECT_FALSE(QFile::exists(lock));
}

TEST(AgentProcess, SighupAndASignalThatCameBeforeTheHandlersEndItCleanly) {
    ProcessHarness h;
    const TestPlant& plant = h.plant;
    const QString lock = QDir(plant.program).filePath("vornnet.lock");
    {
        const auto a = h.agent(quiet());
        AgentProcess& agent = *a;
        ASSERT_TRUE(waitFor([&] { return !logLines(plant.program).isEmpty(); }, 10s));
        ::kill(static_cast<pid_t>(agent.process.processId()), SIGHUP);
        ASSERT_TRUE(agent.waitFinished(5s));
        EXPECT_EQ(agent.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(agent.process.exitCode(), 0);
        EXPECT_FALSE(QFile::exists(lock));
    }
    // SIGTERM arrives before the program could handle it (held pending, as when it comes while the
    // process is still starting): it is acted on as soon as the handlers are there.
    AgentRun held = quiet();
    held.start = false;
    const auto e = h.agent(held);
    AgentProcess& early = *e;
    early.process.setChildProcessModifier([] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigprocmask(SIG_BLOCK, &set, nullptr);
        raise(SIGTERM);
    });
    ASSERT_TRUE(early.start());
    ASSERT_TRUE(early.waitFinished(10s)) << "the early signal was lost";
    EXPECT_EQ(early.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(early.process.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(lock));
}

TEST(AgentProcess, AMissingOrUnusableBufferSaysWhereAndWhy) {
    const struct {
        const char* name;
        QByteArray content; // empty: no file at all
        QString why;
    } cases[] = {{"missing", {}, "--create-buffer"},
                 {"not a database", "not a database at all", "no es una base de datos de buffer utilizable"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessHarness h;
        const TestPlant& plant = h.plant;
        const QString buffer = BufferDb::pathIn(plant.program);
        QFile::remove(buffer);
        if (!c.content.isEmpty()) {
            QFile f(buffer);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content.repeated(100));
        }
        const auto a = h.agent(quiet());
        AgentProcess& agent = *a;
        ASSERT_TRUE(agent.waitFinished());
        EXPECT_EQ(agent.process.exitCode(), 1);
        EXPECT_EQ(messages(agent.err), QStringList("VORNNET: No se encuentra buffer.mdb"));
        const QStringList why = diagnostics(agent.err, "vornnet.buffer");
        ASSERT_EQ(why.size(), 1) << agent.err.toStdString();
        EXPECT_TRUE(why[0].contains(buffer) && why[0].contains(c.why)) << why[0].toStdString();
    }
}
