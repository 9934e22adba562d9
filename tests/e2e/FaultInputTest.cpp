// Bad database rows, generated from a seed, through the whole process: no crash, no hang, memory bounded,
// every message whole. The parsers themselves, the replies that are not the echo, and names that would
// break a frame or a log line are the unit tests' (tests/forwarding).
#include "CenterSession.h"
#include "supervision/SupervisionSql.h"
#include "support/Junk.h"
#include "support/ProcessHarness.h"

// FlashAlarms rows no sane supervision system writes, from junk: one field in three bad, the rest plausible
// so that the scan gets far.
void fillWithBadRows(const TestPlant& plant, Junk& junk, int rows, const QDateTime& now) {
    QList<QVariantList> values;
    for (int i = 0; i < rows; ++i) {
        const QVariant codes[] = {junk.below(5), "99999999999999999999",  -7,   2.5,
                                  junk.text(3),  "-99999999999999999999", 1e300};
        const QVariant instruments[] = {QString::number(1 + junk.below(4)),
                                        QString("|1%1|").arg(junk.below(10)), junk.text(4), QString(),
                                        "99999999999999999999"};
        const QVariant times[] = {now.addSecs(-junk.below(6 * 86400)).toString(GelmarInstall::dateFormat),
                                  now.addSecs(60 * junk.below(60)).toString(GelmarInstall::dateFormat),
                                  junk.text(3), "2026-13-45 25:61:61"};
        const QVariant states[] = {0, 1, junk.text(2), 7, QVariant()};
        values.append({junk.below(3) ? QVariant(100 + junk.below(5)) : codes[junk.below(std::size(codes))],
                       instruments[junk.below(3) ? 0 : junk.below(std::size(instruments))],
                       times[junk.below(3) ? 0 : junk.below(std::size(times))],
                       states[junk.below(3) ? junk.below(2) : junk.below(std::size(states))]});
    }
    SideConnection db(plant.acquired());
    db.run("PRAGMA ignore_check_constraints = ON");
    db.insert("INSERT INTO FlashAlarms (Alarmcode, Ref_virtinstrumentid, TimeStamp, AlarmState) VALUES (?, "
              "?, ?, ?)",
              values);
}

TEST(FaultInjection, BadInputsThroughTheWholeProcess) {
    ProcessHarness f({.test = "BadInputsThroughTheWholeProcess"});
    Junk junk(f.random);
    Station station;
    ASSERT_TRUE(f.startStation(station));
    const QDateTime now = QDateTime::currentDateTime();
    fillWithBadRows(f.plant, junk, 300, now);
    UltCodFile(f.plant.program, UltCodFile::Kind::Alarms, f.plantName).write(0);
    // The newest alarm the scan selects, as its own statement selects them.
    const qint64 newest =
        sqlite(f.plant.acquired(), "SELECT max(Id_flashalarm) FROM (" +
                                       SupervisionSql(DbEngine::Sqlite).alarmsAfter(0, now.addDays(-7)) + ")")
            .toLongLong();
    const auto a = f.agent({.tickMs = 100, .linkWaitMs = 500});
    EXPECT_TRUE(f.waitPosition(newest, 60s)) << a->err.right(2000);
    const qint64 peakKb = a->peakMemoryKb();
    a->terminate();
    const bool hung = !a->waitFinished(10s);
    const bool crashed = a->process.exitStatus() != QProcess::NormalExit;
    // Every whole message in the record, parsed as the station parses it (frame and nine fields).
    const QByteArray record = station.recorded();
    QList<QByteArray> received;
    for (qsizetype at = 0, n; at < record.size() && (n = CenterSession::messageEnd(record.mid(at))) >= 0;
         at += n + 1)
        received << record.mid(at, n);
    EXPECT_GT(received.size(), 0);
    EXPECT_EQ(received.size(), record.count("\n@@") + 1) << "each one read whole";
    for (const QByteArray& m : received)
        EXPECT_EQ(m.count("@@"), 2) << "the frame and nine fields, and nothing more: " << m;
    EXPECT_FALSE(crashed);
    EXPECT_FALSE(hung);
    EXPECT_LT(peakKb, 200 * 1024);
    f.figures(QString("rows=300 messages=%1 crashed=%2 hung=%3 agent-peak-rss-kb=%4")
                  .arg(received.size())
                  .arg(crashed)
                  .arg(hung)
                  .arg(peakKb));
}
