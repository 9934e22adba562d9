// A hostile world around the agent: a SQL Server that accepts and never answers, stations that reset
// or flood, a disk that fills while a state file is written, a database locked by another process. Each is
// bounded, told for what it is, and loses nothing.
#include "core/runtime/UnixSignals.h"
#include "supervision/DbErrorMap.h"
#include "support/BlackHole.h"
#include "support/ProcessHarness.h"

#include <csignal>
#include <sys/resource.h>

const QString timeoutLine =
    QStringLiteral("La conexión con la base de datos no se ha completado en 60 segundos");

TEST(FaultInjection, ASqlServerThatAcceptsAndNeverAnswers) {
    if (!freeTdsInstalled())
        GTEST_SKIP() << "no FreeTDS ODBC driver (tdsodbc) registered";
    ProcessHarness f;
    BlackHole server;
    ASSERT_NE(server.port(), 0);
    f.plant.config("DbEngine", "odbc");
    f.plant.config("OdbcDriver", "FreeTDS");
    f.plant.config("DbServer", QStringLiteral("127.0.0.1,%1").arg(server.port()));

    // The window given is kept: the last login is cut to what is left of it.
    const int windowMs = 3000;
    QElapsedTimer timer;
    timer.start();
    auto agent = f.agent(
        {.tickMs = 100, .linkWaitMs = 500, .env = {QStringLiteral("VORNNET_DB_WAIT_MS=%1").arg(windowMs)}});
    ASSERT_TRUE(agent->endedWith(1, 20s)) << "start-up hung on the driver or did not fail: " << agent->err;
    EXPECT_LT(timer.elapsed(), windowMs + 2500) << agent->err;
    EXPECT_TRUE(f.logLines().join('\n').contains(timeoutLine)) << "the time-out is told once it is reached";

    // With the whole 60 s and a 10 s login in progress, a termination signal still ends it promptly.
    agent = f.agent({.tickMs = 100, .linkWaitMs = 500});
    BoundedWait().pause(1500ms);
    ASSERT_EQ(agent->process.state(), QProcess::Running) << agent->err;
    timer.restart();
    ASSERT_TRUE(agent->stop(20s)) << agent->err;
    EXPECT_LT(timer.elapsed(), (UnixSignals::exitGraceSeconds + 2) * 1000) << agent->err;
}

TEST(FaultInjection, StationsThatResetOrFlood) {
    ProcessHarness f({.test = "StationsThatResetOrFlood"});
    Station p, a;
    ASSERT_TRUE(f.startStation(p));
    ASSERT_TRUE(f.startStation(a, "A"));
    f.plant.config("FastFailover", "1");
    const int linkWaitMs = 3000;
    const qint64 first = f.addAlarms({1}).value(0);
    const auto agent = f.agent({.tickMs = 100, .linkWaitMs = linkWaitMs});
    ASSERT_TRUE(f.waitPosition(first, 15s)) << agent->err;

    QList<qint64> added;
    qint64 code = 100;
    QStringList figures;
    for (const QByteArray mode : {"reset", "flood"}) {
        SCOPED_TRACE(mode.constData());
        p.setMode(mode);
        BoundedWait().pause(300ms); // the station's mode poll
        const QList<qint64> batch = ProcessHarness::codes(code, 4);
        code += 4;
        QElapsedTimer timer;
        timer.start();
        const QList<qint64> ids = f.addAlarms(batch);
        ASSERT_EQ(ids.size(), batch.size());
        added += batch;
        // Each alarm meets the primary first: a full reply wait each would take 4 x 3 s.
        ASSERT_TRUE(f.waitPosition(ids.last(), 30s)) << agent->err.right(2000);
        const qint64 ms = timer.elapsed();
        EXPECT_LT(ms, linkWaitMs) << "the primary's fault cost the reply wait";
        figures << QStringLiteral("%1-ms-for-4=%2").arg(QString::fromLatin1(mode)).arg(ms);
    }
    ASSERT_TRUE(agent->stop());
    const Tally tally(added, f.deliveredCodes());
    EXPECT_EQ(tally.lost, 0);
    EXPECT_EQ(ProcessHarness::codesOf(a.alarms()), added) << "all on secondary A, in order";
    f.figures(QStringLiteral("faults=reset,flood fast-failover=1 link-wait-ms=%1 %2 %3")
                  .arg(linkWaitMs)
                  .arg(figures.join(' '))
                  .arg(tally.text()));
}

TEST(FaultInjection, TheDiskFillsWhileStatusIniIsWritten) {
    ProcessHarness f;
    Station station;
    ASSERT_TRUE(f.startStation(station));
    // A status.ini with the operator's own lines and none of the flags: start-up writes each flag's
    // default, into a file larger than the agent may write.
    const QString status = StatusFile(f.plant.program).path();
    QByteArray before = "[NOTAS]\r\n";
    for (int i = 0; i < 30; ++i)
        before += QByteArray("linea") + QByteArray::number(i) + "=revisado por el turno de noche\r\n";
    writeFile(status, before);
    // Rollback journals: their readers write nothing (a WAL reader writes its shared-memory file).
    for (const QString& db : {GelmarInstall::acquired, GelmarInstall::config})
        ASSERT_TRUE(
            sqlite(GelmarInstall::databasePath(f.plant.gelmar, db), "PRAGMA journal_mode=DELETE").isValid());
    // A file-size limit stands for the full disk: every write past 512 bytes fails (EFBIG, as ENOSPC).
    const auto full = [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{512, 512};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    const qint64 first = f.addAlarms({1}).value(0);
    auto agent = f.agent({.tickMs = 100, .linkWaitMs = 500, .childSetup = full});
    ASSERT_TRUE(f.waitPosition(first, 15s)) << agent->err;
    const qint64 next = f.addAlarms({2}).value(0);
    ASSERT_TRUE(f.waitPosition(next, 15s)) << "forwarding goes on: " << agent->err;
    EXPECT_EQ(readFile(status), before) << "the old file stays whole";
    EXPECT_TRUE(agent->err.contains("status.ini: write: File too large")) << agent->err;
    ASSERT_TRUE(agent->stop());

    // Room again, and the database locked by another process for a while: told as a lock, not as a lost
    // connection (the short window would run out and say so).
    SideConnection holder(f.plant.acquired());
    ASSERT_TRUE(holder.db().isOpen());
    agent = f.agent({.tickMs = 100, .linkWaitMs = 500, .env = {QStringLiteral("VORNNET_DB_WAIT_MS=1000")}});
    ASSERT_TRUE(pollUntil([&] { return LeeIni(status, "STATUS", "ModemOK") != ""; }, 15s)) << agent->err;
    const QList<qint64> codes = ProcessHarness::codes(500, 20);
    const QList<qint64> ids = f.addAlarms(codes);
    ASSERT_EQ(ids.size(), codes.size());
    ASSERT_TRUE(holder.run("BEGIN EXCLUSIVE").isValid());
    const bool toldAsLock =
        pollUntil([&] { return QString::fromUtf8(agent->err).contains(DbErrorMap::lockText); }, 20s);
    BoundedWait().pause(1500ms);
    ASSERT_TRUE(holder.run("COMMIT").isValid());
    EXPECT_TRUE(toldAsLock) << agent->err.right(2000);
    ASSERT_TRUE(f.waitPosition(ids.last(), 30s)) << agent->err.right(2000);
    ASSERT_TRUE(agent->stop()) << "a lock does not end the agent";
    EXPECT_TRUE(f.logLines().filter(timeoutLine).isEmpty()) << "a lock is not the connection time-out";
    const QList<qint64> delivered = f.deliveredCodes();
    for (qint64 c : QList<qint64>{2} + codes)
        EXPECT_TRUE(delivered.contains(c)) << c;
}
