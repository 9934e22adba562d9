// Each way a central station fails, on all three links, then failover to A, then recovery:
// no alarm is lost, the order is kept, and each failed attempt is told with its reason.
#include "support/ProcessHarness.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(FaultInjection, EachStationModeThenFailoverThenRecovery) {
    ProcessHarness f({.test = "EachStationModeThenFailoverThenRecovery"});
    QElapsedTimer elapsed;
    elapsed.start();
    Station p, a, b;
    for (auto [station, suffix] : {std::pair{&p, ""}, {&a, "A"}, {&b, "B"}}) {
        ASSERT_TRUE(station->start());
        f.point(suffix, station->port);
    }
    const qint64 start = f.addAlarms({1}).value(0);
    const auto agent = f.agent({.tickMs = 100, .linkWaitMs = 200});
    ASSERT_TRUE(f.waitPosition(start, 15s)) << agent->err.toStdString();

    // Whether a station is "down" (no process) or misbehaves through its mode file.
    const auto set = [](Station& s, const QByteArray& mode) {
        if (mode == "down") {
            s.stop();
            return true;
        }
        if (s.process.state() == QProcess::NotRunning && !s.start())
            return false;
        s.setMode(mode);
        return true;
    };
    const auto runs = [&](int count) {
        for (int i = 0; i < count; ++i) {
            agent->out.clear();
            if (!agent->waitOutput("---\n", 20s))
                return false;
        }
        return true;
    };
    const struct {
        QByteArray mode;
        QString reason;
    } modes[] = {{"down", "conexión rechazada"},
                 {"silent", "sin eco en 200 ms"},
                 {"wrong", "eco erróneo, primeros bytes: \"recibido:"},
                 {"split", "eco erróneo, primeros bytes: "},
                 {"close", "cerrada sin respuesta"},
                 {"refuse", "conexión rechazada"}};
    qint64 code = 1000;
    QList<qint64> added;
    QStringList told;
    for (const auto& m : modes) {
        SCOPED_TRACE(m.mode.constData());
        for (Station* s : {&p, &a, &b})
            ASSERT_TRUE(set(*s, m.mode));
        BoundedWait().pause(300ms); // the stations' mode poll
        const qint64 held = f.positionId();
        const qsizetype errFrom = agent->err.size();
        const QList<qint64> batch = ProcessHarness::codes(code, 2);
        code += 2;
        const QList<qint64> ids = f.addAlarms(batch);
        ASSERT_EQ(ids.size(), 2);
        added += batch;
        ASSERT_TRUE(runs(2));
        EXPECT_EQ(f.positionId(), held) << "nothing passes while every station fails";
        const QString said = QString::fromUtf8(agent->err.mid(errFrom));
        for (int link = 1; link <= 3; ++link) {
            const QString line = QStringLiteral("vornnet.link: enlace %1 127.0.0.1:").arg(link);
            const bool found = said.contains(QRegularExpression(
                QRegularExpression::escape(line) + "\\d+: " + QRegularExpression::escape(m.reason)));
            EXPECT_TRUE(found) << "link " << link << ": " << said.toStdString();
            told << QString::number(found);
        }

        // Failover: A alone comes back and takes the held alarms, in order. Which link is tried when is
        // the link's unit tests'.
        const qsizetype before = a.alarms().size();
        ASSERT_TRUE(set(a, "echo"));
        ASSERT_TRUE(f.waitPosition(ids.last(), 30s)) << agent->err.right(2000).toStdString();
        // A failing mode records what it refuses too, so the delivery is the end of what came since.
        const QList<qint64> since = ProcessHarness::codesOf(a.alarms().mid(before));
        EXPECT_EQ(since.mid(since.size() - batch.size()), batch) << "delivered by A";
    }
    agent->terminate();
    ASSERT_TRUE(agent->waitFinished());

    const QList<qint64> delivered = f.deliveredCodes();
    int lost = 0, outOfOrder = 0;
    for (qint64 c : added)
        lost += !delivered.contains(c);
    for (qsizetype i = 1; i < delivered.size(); ++i)
        outOfOrder += delivered[i] < delivered[i - 1];
    EXPECT_EQ(delivered, added) << "each alarm acknowledged once, in order";
    f.figures(QStringLiteral("modes=%1 alarms=%2 lost=%3 out-of-order=%4 acknowledged-twice=%5 "
                             "reasons-told=%6/%7 seconds=%8")
                  .arg(std::size(modes))
                  .arg(added.size())
                  .arg(lost)
                  .arg(outOfOrder)
                  .arg(delivered.size() - added.size() + lost)
                  .arg(told.count("1"))
                  .arg(told.size())
                  .arg(elapsed.elapsed() / 1000));
}
