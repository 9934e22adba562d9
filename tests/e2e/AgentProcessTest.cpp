#include "support/ProcessHarness.h"

#include <csignal>

// Logs in the program folder (no TMP, no TEMP); no central station is configured here, so each delivery
// attempt fails after the harness's short link wait.
AgentRun quiet(const QString& dbWaitMs = "20000") {
    return {.trace = false, .logsInProgram = true, .env = {"VORNNET_DB_WAIT_MS=" + dbWaitMs}};
}

// The diagnostic lines of one category ("vornnet.db") on standard error, without it; with no category,
// the rest (the unattended message boxes).
QStringList said(const QByteArray& err, const QString& category = {}) {
    QStringList out;
    for (const QString& line : QString::fromUtf8(err).split('\n', Qt::SkipEmptyParts))
        if (category.isEmpty() ? !line.startsWith("vornnet.") : line.startsWith(category + ": "))
            out << (category.isEmpty() ? line : line.mid(category.size() + 2));
    return out;
}

TEST(AgentProcess, UnattendedStartsTicksAndEndsOnSigterm) {
    ProcessHarness h({.alarmsOnly = false});
    const TestPlant& plant = h.plant;
    plant.config("IpQuarnCenter", "127.0.0.9");
    plant.config("IpQuarnCenterA", "central-a.example");
    plant.config("RemotePortA", "5001");
    const auto agent = h.agent({.logsInProgram = true});
    ASSERT_TRUE(agent->waitOutput("---\n")) << agent->err;
    const QStringList lines = logLines(plant.program);
    ASSERT_FALSE(lines.isEmpty()) << "logs go to the program folder without TMP and TEMP";
    EXPECT_TRUE(lines[0].startsWith("VORNNET Iniciado el ")) << lines[0];
    EXPECT_EQ(lines.filter("VORNNET Iniciado el ").size(), 1);

    ASSERT_TRUE(agent->stop());
    EXPECT_FALSE(QFile::exists(QDir(plant.program).filePath("vornnet.lock")));
    // Standard error: the start line (version, folder, databases, stations) and the stop line.
    const QStringList start = said(agent->err, "vornnet.agent");
    ASSERT_EQ(start.size(), 2) << agent->err;
    for (const QString& part : {QString("vornnet 5.51"), plant.program, QString("sqlite"), plant.acquired(),
                                QString("127.0.0.9:1003"), QString("central-a.example:5001")})
        EXPECT_TRUE(start[0].startsWith("inicio: ") && start[0].contains(part))
            << start[0] << " lacks " << part;
    EXPECT_EQ(start[1], "fin: señal SIGTERM");
    EXPECT_TRUE(said(agent->err).isEmpty()) << agent->err;
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
        EXPECT_TRUE(p.endedWith(2)) << bad.join(' ');
        EXPECT_TRUE(p.err.startsWith("vornnet: ")) << p.err;
    }
    // Without a display the window can not open: said, with the way out, and status 2 instead of an abort.
    ProcessHarness h;
    QProcessEnvironment e = h.environment({});
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        e.remove(name);
    AgentProcess window({"--folder", h.plant.program}, e);
    ASSERT_TRUE(window.start());
    EXPECT_TRUE(window.endedWith(2));
    EXPECT_TRUE(window.err.contains("--unattended")) << window.err;
}

TEST(AgentProcess, DatabasesThatNeverAppearAndASigtermWhileWaiting) {
    // A server that never comes ends the program with a failure status (what it tells is the unit tests').
    ProcessHarness never({.databases = false});
    const auto f = never.agent(quiet("1500"));
    ASSERT_TRUE(f->endedWith(1, 15s));
    EXPECT_EQ(said(f->err, "vornnet.agent").value(1), "fin: el arranque ha terminado el programa");
    const QStringList lines = logLines(never.plant.program);
    EXPECT_EQ(lines.size(), 1);

    // SIGTERM in the window: the end at once and quietly. The lock is taken just before the databases.
    const auto w = never.agent(quiet());
    const QString lock = QDir(never.plant.program).filePath("vornnet.lock");
    ASSERT_TRUE(pollUntil([&] { return QFile::exists(lock); }, 5s));
    ASSERT_TRUE(w->stop(3s)) << "a shutdown does not wait out the database window";
    EXPECT_EQ(w->out, QByteArray()) << "no run starts";
    EXPECT_TRUE(said(w->err).isEmpty()) << w->err;
    EXPECT_TRUE(said(w->err, "vornnet.db").isEmpty()) << "giving up is not a database fault";
    EXPECT_EQ(logLines(never.plant.program), lines);
    EXPECT_FALSE(QFile::exists(lock));
}

TEST(AgentProcess, SighupAndASignalThatCameBeforeTheHandlersEndItCleanly) {
    ProcessHarness h;
    const QString lock = QDir(h.plant.program).filePath("vornnet.lock");
    const auto a = h.agent(quiet());
    ASSERT_TRUE(pollUntil([&] { return !logLines(h.plant.program).isEmpty(); }, 10s));
    ::kill(static_cast<pid_t>(a->process.processId()), SIGHUP);
    ASSERT_TRUE(a->endedWith(0, 5s));
    EXPECT_FALSE(QFile::exists(lock));
    // SIGTERM held pending from before the program could handle it, as when it comes while the process
    // is still starting: it is acted on as soon as the handlers are there.
    AgentRun held = quiet();
    held.childSetup = [] {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGTERM);
        sigprocmask(SIG_BLOCK, &set, nullptr);
        raise(SIGTERM);
    };
    const auto early = h.agent(held);
    ASSERT_TRUE(early->endedWith(0)) << "the early signal was lost";
    EXPECT_FALSE(QFile::exists(lock));
}

TEST(AgentProcess, AMissingOrUnusableBufferSaysWhereAndWhy) {
    for (const auto& [content, why] :
         {std::pair{QByteArray(), "--create-buffer"},
          {"not a database at all", "no es una base de datos de buffer utilizable"}}) {
        SCOPED_TRACE(why);
        ProcessHarness h;
        const QString buffer = BufferDb::pathIn(h.plant.program);
        ASSERT_TRUE(QFile::remove(buffer));
        if (!content.isEmpty())
            writeFile(buffer, content.repeated(100));
        const auto a = h.agent(quiet());
        ASSERT_TRUE(a->endedWith(1));
        EXPECT_EQ(said(a->err), QStringList("VORNNET: No se encuentra buffer.mdb"));
        const QStringList told = said(a->err, "vornnet.buffer");
        ASSERT_EQ(told.size(), 1) << a->err;
        EXPECT_TRUE(told[0].contains(buffer) && told[0].contains(why)) << told[0];
    }
}

TEST(AgentProcess, ALoadCutShortForwardsNothingUntilItsStepRunsAgain) {
    ProcessHarness h;
    Station station;
    ASSERT_TRUE(h.startStation(station));
    const QString config = GelmarInstall::databasePath(h.plant.gelmar, GelmarInstall::config);
    ASSERT_TRUE(sqlite(config, "ALTER TABLE GenericSettings RENAME TO Kept").isValid());
    const QList<qint64> before = h.addAlarms({1, 2});
    const auto agent = h.agent({.tickMs = 100, .linkWaitMs = 300});
    ASSERT_TRUE(pollUntil([&] { return agent->err.contains("Arranque incompleto: paso plant name"); }, 15s))
        << agent->err;
    ASSERT_TRUE(agent->waitOutput("---\n"));
    BoundedWait().pause(1000ms); // runs go by, and forward nothing
    const Ran text = h.runCommand({"--status"});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.out.contains("\nArranque incompleto: paso plant name: ")) << text.out;
    EXPECT_TRUE(station.recorded().isEmpty()) << station.recorded();
    EXPECT_FALSE(QFile::exists(QDir(h.plant.program).filePath("VornNetUltCod_DEMO.ini")));
    EXPECT_FALSE(QFile::exists(h.positionPath()));

    // The table back: the next run ends the load, and forwarding starts under the plant's own name.
    ASSERT_TRUE(sqlite(config, "ALTER TABLE Kept RENAME TO GenericSettings").isValid());
    ASSERT_TRUE(h.waitPosition(before.last(), 15s)) << agent->err;
    const qint64 third = h.addAlarms({3}).value(0);
    ASSERT_TRUE(h.waitPosition(third, 15s)) << agent->err;
    EXPECT_EQ(ProcessHarness::codesOf(station.alarms()), QList<qint64>{3});
    EXPECT_FALSE(QFile::exists(QDir(h.plant.program).filePath("VornNetUltCod_DEMO.ini")));
    const QJsonObject o = h.statusJson();
    EXPECT_TRUE(o.value("incompleteStartup").isNull());
    EXPECT_EQ(o.value("plant").toString(), "EDAR Norte");
}
