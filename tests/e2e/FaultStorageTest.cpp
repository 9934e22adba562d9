// The program folder turns read-only under the agent while it forwards, or its position file loses its
// number: forwarding pauses with the error told, then resumes, and no alarm is lost. A database file
// replaced under it is the unit tests'.
#include "support/ProcessHarness.h"

TEST(FaultInjection, TheProgramFolderReadOnlyForAWhile) {
    ProcessHarness f({.test = "TheProgramFolderReadOnlyForAWhile"});
    if (const QString why = f.unprivilegedSkip(); !why.isEmpty())
        GTEST_SKIP() << why;
    Station station;
    ASSERT_TRUE(f.startStation(station, "", {"--delay-ms", "10"}));
    const QFileDevice::Permissions writable = QFile::permissions(f.plant.program);
    const QFileDevice::Permissions readOnly = writable & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                                           QFileDevice::WriteGroup | QFileDevice::WriteOther);

    // At start: the lock can not be made, and the agent says where and why, and ends with status 1.
    ASSERT_TRUE(QFile::setPermissions(f.plant.program, readOnly));
    {
        const auto refused = f.agent({.tickMs = 100, .linkWaitMs = 300, .unprivileged = true});
        ASSERT_TRUE(refused->endedWith(1, 15s));
        EXPECT_TRUE(QString::fromUtf8(refused->err).contains(f.plant.program)) << refused->err;
    }
    ASSERT_TRUE(QFile::setPermissions(f.plant.program, writable));

    const qint64 start = f.addAlarms({1}).value(0);
    const auto agent = f.agent({.tickMs = 100, .linkWaitMs = 300, .unprivileged = true});
    ASSERT_TRUE(f.waitPosition(start, 15s)) << agent->err;
    const QList<qint64> codes = ProcessHarness::codes(100000, 300);
    const QList<qint64> ids = f.addAlarms(codes);
    ASSERT_EQ(ids.size(), codes.size());
    ASSERT_TRUE(pollUntil([&] { return f.positionId() > ids[20]; }, 30s));

    // Counted before the folder turns read-only: what reaches the station in between is in the count.
    const qsizetype sentAtStart = station.alarms().size();
    ASSERT_TRUE(QFile::setPermissions(f.plant.program, readOnly));
    BoundedWait().pause(2000ms);
    const qint64 held = f.positionId();
    const qsizetype sentWhileReadOnly = station.alarms().size() - sentAtStart;
    const QString said = QString::fromUtf8(agent->err);
    ASSERT_TRUE(QFile::setPermissions(f.plant.program, writable));
    EXPECT_TRUE(said.contains("vornnet.scan: Busca Alarmas terminado antes de tiempo: No se puede escribir"))
        << said;
    EXPECT_LE(sentWhileReadOnly, 1) << "at most the alarm in flight when the folder turned read-only";
    EXPECT_LT(held, ids.last()) << "the pause came in the middle of the backlog";

    ASSERT_TRUE(f.waitPosition(ids.last(), 60s)) << agent->err.right(3000);
    ASSERT_TRUE(agent->stop());
    const QStringList lines = f.logLines();
    EXPECT_EQ(lines.filter("Error en Busca Alarmas: No se puede escribir").size(), 1) << lines.join('\n');
    EXPECT_EQ(lines.filter("Error en Busca Alarmas resuelto: No se puede escribir").size(), 1);

    const Tally tally(codes, ProcessHarness::codesOf(station.alarms()));
    EXPECT_EQ(tally.lost, 0);
    EXPECT_LE(tally.duplicates, 1);
    f.figures(QStringLiteral("read-only-ms=2000 alarms=%1 sent-while-read-only=%2 %3 refused-start-status=1")
                  .arg(codes.size())
                  .arg(sentWhileReadOnly)
                  .arg(tally.text()));
}

TEST(FaultInjection, ThePositionFileLosesItsNumberWhileTheAgentRuns) {
    ProcessHarness f;
    Station station;
    ASSERT_TRUE(f.startStation(station));
    const qint64 first = f.addAlarms({1}).value(0);
    const auto agent = f.agent({.tickMs = 100, .linkWaitMs = 300});
    ASSERT_TRUE(f.waitPosition(first, 15s)) << agent->err;

    writeFile(f.positionPath(), "garbage");
    const qint64 held = f.addAlarms({2}).value(0);
    const QString told = UltCodFile::noNumberText(f.positionPath());
    ASSERT_TRUE(pollUntil([&] { return QString::fromUtf8(agent->err).contains(told); }, 10s)) << agent->err;
    // Runs go on over the bad file: the agent neither ends nor sends what it can not place.
    BoundedWait().pause(1000ms);
    ASSERT_EQ(agent->process.state(), QProcess::Running) << agent->err.right(2000);
    const Ran status = f.runCommand({"--status", "--json"});
    EXPECT_EQ(status.exitCode, 1) << status.out;
    EXPECT_LT(status.ms, 5000);
    const QJsonObject o = status.json();
    EXPECT_TRUE(o.value("position").isNull());
    EXPECT_EQ(o.value("positionError").toString(), told);
    EXPECT_TRUE(f.runCommand({"--status"}).out.contains("Última alarma entregada: desconocida"));
    EXPECT_TRUE(station.alarms().isEmpty()) << "the first start passed over alarm 1; 2 waits";

    // The number back: forwarding goes on from it, without a restart.
    UltCodFile(f.plant.program, UltCodFile::Kind::Alarms, f.plantName).write(first);
    ASSERT_TRUE(f.waitPosition(held, 15s)) << agent->err.right(2000);
    EXPECT_EQ(ProcessHarness::codesOf(station.alarms()), QList<qint64>{2});
}

// The log folder read-only from the start: every alarm still goes at the scheduler's runs, the lines the
// log could not take are counted in --status, and the failure is told once.
TEST(FaultInjection, AReadOnlyLogFolderHoldsNoAlarm) {
    ProcessHarness f;
    if (const QString why = f.unprivilegedSkip(); !why.isEmpty())
        GTEST_SKIP() << why;
    Station station;
    ASSERT_TRUE(f.startStation(station));
    const qint64 start = f.addAlarms({1}).value(0);
    ASSERT_TRUE(QFile::setPermissions(f.logs.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                         QFileDevice::ReadOther | QFileDevice::ExeOther));
    constexpr int tickMs = 3000;
    const auto agent = f.agent({.tickMs = tickMs, .linkWaitMs = 300, .unprivileged = true});
    ASSERT_TRUE(f.waitPosition(start, 15s)) << agent->err;
    const QList<qint64> ids = f.addAlarms(ProcessHarness::codes(200000, 50));
    // Two runs, and time for their deliveries: one alarm a run would take fifty.
    EXPECT_TRUE(f.waitPosition(ids.last(), std::chrono::milliseconds(2 * tickMs + 3000)))
        << "position " << f.positionId() << " of " << ids.last();
    const QJsonObject status = f.statusJson();
    EXPECT_GE(status.value("unwrittenLogLines").toInteger(), 50);
    EXPECT_TRUE(status.value("logFailure").toString().contains(f.logs.path()));
    ASSERT_TRUE(agent->stop());
    EXPECT_EQ(QString::fromUtf8(agent->err).count("vornnet.log: No se puede escribir"), 1) << agent->err;
}
