// The files under the agent fail while it forwards: the acquired-data database replaced by a copy the agent
// may not read, then made readable; the program folder read-only for a while. Forwarding
// pauses with the error told, then resumes, and no alarm is lost.
#include "support/ProcessHarness.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <set>

using namespace std::chrono_literals;

namespace {

// How many of the codes reached the station at least once, and how many times more than once.
std::pair<int, int> reachedAndRepeated(const Station& station, const QList<qint64>& codes) {
    std::set<qint64> seen;
    int repeated = 0;
    for (qint64 c : ProcessHarness::codesOf(station.alarms()))
        if (codes.contains(c))
            repeated += !seen.insert(c).second;
    return {static_cast<int>(seen.size()), repeated};
}

} // namespace

TEST(FaultInjection, TheAcquiredDatabaseReplacedByAnUnreadableCopyThenMadeReadable) {
    ProcessHarness f;
    if (const QString why = f.unprivilegedSkip(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    Station station;
    ASSERT_TRUE(station.start({"--delay-ms", "20"}));
    f.point("", station.port);
    const qint64 start = f.addAlarms({1}).value(0);
    const auto agent =
        f.agent({.tickMs = 100, .linkWaitMs = 500, .unprivileged = true, .env = {"VORNNET_DB_WAIT_MS=5000"}});
    ASSERT_TRUE(f.waitPosition(start, 15s)) << agent->err.toStdString();
    const auto told = [&] {
        return QString::fromUtf8(agent->err)
            .count("vornnet.scan: Busca Alarmas terminado antes de tiempo: El fichero");
    };

    // In the middle of a backlog, a copy made aside with 50 alarms more, and that the agent may not read,
    // takes the file's place.
    const QList<qint64> codes = ProcessHarness::codes(100000, 200);
    QList<qint64> ids = f.addAlarms(codes.mid(0, 150));
    ASSERT_TRUE(pollUntil([&] { return f.positionId() > ids.first() + 10; }, 30s));
    QTemporaryDir staging;
    ASSERT_TRUE(f.plant.copyAcquired(staging.path()));
    ids += f.addAlarms(codes.mid(150), staging.path());
    ASSERT_EQ(ids.size(), codes.size());
    ASSERT_TRUE(Unprivileged::giveTree(staging.path()));
    ASSERT_TRUE(QFile::setPermissions(GelmarInstall::databasePath(staging.path(), GelmarInstall::acquired),
                                      QFileDevice::Permissions()));
    const int toldBefore = told();
    ASSERT_TRUE(f.plant.replaceAcquired(staging.path()));
    ASSERT_TRUE(pollUntil([&] { return told() > toldBefore; }, 30s)) << "the replacement is noticed";
    // Only the unreadable file holds the last 50: none can go until it is readable.
    BoundedWait().pause(1000ms);
    EXPECT_LT(f.positionId(), ids[150]) << "paused while unreadable";
    ASSERT_TRUE(QFile::setPermissions(GelmarInstall::databasePath(f.plant.gelmar, GelmarInstall::acquired),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ReadOther));
    ASSERT_TRUE(f.waitPosition(ids.last(), 60s)) << agent->err.right(3000).toStdString();
    agent->terminate();
    ASSERT_TRUE(agent->waitFinished());
    const auto [reached, repeated] = reachedAndRepeated(station, codes);
    EXPECT_EQ(reached, codes.size()) << "none lost";
    EXPECT_LE(repeated, 1);
}

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

    const auto [reached, repeated] = reachedAndRepeated(station, codes);
    const int lost = static_cast<int>(codes.size()) - reached;
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
