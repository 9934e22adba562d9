// The program folder turns read-only under the agent while it forwards: forwarding pauses with the error
// told, then resumes, and no alarm is lost. A database file replaced under it is the unit tests'.
#include "support/ProcessHarness.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <set>

using namespace std::chrono_literals;

TEST(FaultInjection, TheProgramFolderReadOnlyForAWhile) {
    ProcessHarness f({.test = "TheProgramFolderReadOnlyForAWhile"});
    if (const QString why = f.unprivilegedSkip(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    QElapsedTimer elapsed;
    elapsed.start();
    Station station;
    ASSERT_TRUE(station.start({"--delay-ms", "10"}));
    f.point("", station.port);
    const QFileDevice::Permissions writable = QFile::permissions(f.plant.program);
    const QFileDevice::Permissions readOnly = writable & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser |
                                                           QFileDevice::WriteGroup | QFileDevice::WriteOther);

    // At start: the lock can not be made, and the agent says where and why, and ends with status 1.
    ASSERT_TRUE(QFile::setPermissions(f.plant.program, readOnly));
    {
        const auto refused = f.agent({.tickMs = 100, .linkWaitMs = 300, .unprivileged = true});
        ASSERT_TRUE(refused->waitFinished(15s));
        EXPECT_EQ(refused->process.exitCode(), 1);
        EXPECT_TRUE(QString::fromUtf8(refused->err).contains(f.plant.program)) << refused->err.toStdString();
    }
    ASSERT_TRUE(QFile::setPermissions(f.plant.program, writable));

    const qint64 start = f.addAlarms({1}).value(0);
    const auto agent = f.agent({.tickMs = 100, .linkWaitMs = 300, .unprivileged = true});
    ASSERT_TRUE(f.waitPosition(start, 15s)) << agent->err.toStdString();
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
        << said.toStdString();
    EXPECT_LE(sentWhileReadOnly, 1) << "at most the alarm in flight when the folder turned read-only";
    EXPECT_LT(held, ids.last()) << "the pause came in the middle of the backlog";

    ASSERT_TRUE(f.waitPosition(ids.last(), 60s)) << agent->err.right(3000).toStdString();
    agent->terminate();
    ASSERT_TRUE(agent->waitFinished());
    const QStringList lines = f.logLines();
    EXPECT_EQ(lines.filter("Error en Busca Alarmas: No se puede escribir").size(), 1)
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines.filter("Error en Busca Alarmas resuelto: No se puede escribir").size(), 1);

    std::set<qint64> seen;
    int repeated = 0;
    for (qint64 c : ProcessHarness::codesOf(station.alarms()))
        repeated += codes.contains(c) && !seen.insert(c).second;
    const int lost = static_cast<int>(codes.size() - seen.size());
    EXPECT_EQ(lost, 0);
    EXPECT_LE(repeated, 1);
    f.figures(QStringLiteral("read-only-ms=2000 alarms=%1 sent-while-read-only=%2 lost=%3 repeated=%4 "
                             "refused-start-status=1 seconds=%5")
                  .arg(codes.size())
                  .arg(sentWhileReadOnly)
                  .arg(lost)
                  .arg(repeated)
                  .arg(elapsed.elapsed() / 1000));
}

// The log folder read-only from the start: every alarm still goes at the scheduler's runs, the lines the
// log could not take are counted in --status, and the failure is told once.
TEST(FaultInjection, AReadOnlyLogFolderHoldsNoAlarm) {
    ProcessHarness f;
    if (const QString why = f.unprivilegedSkip(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    Station station;
    ASSERT_TRUE(station.start());
    f.point("", station.port);
    const qint64 start = f.addAlarms({1}).value(0);
    ASSERT_TRUE(QFile::setPermissions(f.logs.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                         QFileDevice::ReadOther | QFileDevice::ExeOther));
    constexpr int tickMs = 3000;
    const auto agent = f.agent({.tickMs = tickMs, .linkWaitMs = 300, .unprivileged = true});
    ASSERT_TRUE(f.waitPosition(start, 15s)) << agent->err.toStdString();
    const QList<qint64> ids = f.addAlarms(ProcessHarness::codes(200000, 50));
    // Two runs, and time for their deliveries: one alarm a run would take fifty.
    EXPECT_TRUE(f.waitPosition(ids.last(), std::chrono::milliseconds(2 * tickMs + 3000)))
        << "position " << f.positionId() << " of " << ids.last();
    const QJsonObject status =
        QJsonDocument::fromJson(f.runCommand({"--status", "--json"}).out.toUtf8()).object();
    EXPECT_GE(status.value("unwrittenLogLines").toInteger(), 50);
    EXPECT_TRUE(status.value("logFailure").toString().contains(f.logs.path()));
    agent->terminate();
    ASSERT_TRUE(agent->waitFinished());
    EXPECT_EQ(QString::fromUtf8(agent->err).count("vornnet.log: No se puede escribir"), 1)
        << agent->err.toStdString();
}
