// The agent's clock changes under it (libfaketime, stepped through its timestamp file; the monotonic clock
// left alone, as a real clock step leaves it): the autumn and spring changes of time in Europe/Madrid. Clock
// steps during an outage, first starts and the 7-day window are the unit tests' (tests/forwarding).
#include "forwarding/AlarmScan.h"
#include "support/ProcessHarness.h"

const QString libfaketime = QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1");

// The agent's own clock: a file libfaketime reads at every call, holding the offset from the real clock.
struct AgentClock {
    QTemporaryDir dir;
    QString rc = dir.filePath(QStringLiteral("faketime.rc"));

    QStringList env() const {
        return {QStringLiteral("LD_PRELOAD=") + libfaketime, QStringLiteral("FAKETIME_TIMESTAMP_FILE=") + rc,
                QStringLiteral("FAKETIME_NO_CACHE=1"), QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC=1"),
                QStringLiteral("TZ=Europe/Madrid")};
    }
    // From now on the agent's clock reads this instant, and runs on from it.
    void set(const QDateTime& instant) const {
        const qint64 secs = QDateTime::currentDateTimeUtc().secsTo(instant);
        replaceFile(rc, (secs >= 0 ? "+" : "") + QByteArray::number(secs) + "s\n");
    }
};

QDateTime utc(int year, int month, int day, int h, int m, int s = 0) {
    return QDateTime(QDate(year, month, day), QTime(h, m, s), Qt::UTC);
}

// An alarm or a history record dated by the supervision system's local text, as it writes them.
bool alarmAt(const TestPlant& plant, qint64 code, const QString& localText) {
    return sqlite(plant.acquired(),
                  "INSERT INTO FlashAlarms (Alarmcode, Ref_virtinstrumentid, TimeStamp, AlarmState) "
                  "VALUES (?, '1', ?, 1)",
                  {code, localText})
        .isValid();
}
bool historyAt(const TestPlant& plant, const QString& localText) {
    return sqlite(plant.acquired(),
                  "INSERT INTO HistoricalData (Ref_virtinstrumentid, Timestamp, Value) VALUES ('1', ?, 1)",
                  {localText})
        .isValid();
}
// The buffer's notices of a text; only those of one state ("1" begins, "0" ends) when it is given.
int notices(const TestPlant& plant, const QString& text, const QString& state = QStringLiteral("%")) {
    const QVariant n = sqlite(
        BufferDb::pathIn(plant.program),
        QStringLiteral("SELECT count(*) FROM alarms WHERE alarm = ? AND beginend LIKE ?"), {text, state});
    return n.isValid() ? n.toInt() : -1;
}

bool reached(const Station& station, qint64 code, std::chrono::milliseconds limit = 20s) {
    return pollUntil([&] { return ProcessHarness::codesOf(station.alarms()).contains(code); }, limit);
}

TEST(FaultInjection, TheChangesOfTimeOfTheYear) {
    if (!QFile::exists(libfaketime))
        GTEST_SKIP() << "libfaketime is not installed (scripts/install-deps)";
    ProcessHarness f({.test = "TheChangesOfTimeOfTheYear"});
    Station station;
    ASSERT_TRUE(f.startStation(station));
    f.plant.config("ControlFechasFuturas", "1");
    UltCodFile(f.plant.program, UltCodFile::Kind::Alarms, f.plantName).write(0);
    AgentClock clock;
    clock.set(utc(2026, 10, 25, 0, 57)); // 02:57 CEST, the first pass through the repeated hour
    const auto agent = f.agent({.tickMs = 200, .linkWaitMs = 500, .env = clock.env()});
    ASSERT_TRUE(agent->waitOutput("Busca Alarmas", 15s)) << agent->err;

    // Ordinary alarms and records of the repeated hour (both passes) and of the spring gap's edge.
    const struct {
        QDateTime now;
        QString text;
    } moments[] = {
        {utc(2026, 10, 25, 0, 57), "2026-10-25 02:57:33"},
        {utc(2026, 10, 25, 1, 10), "2026-10-25 02:10:30"}, // 02:10 CET, the second pass
        {utc(2026, 3, 29, 0, 59), "2026-03-29 02:30:00"},  // 01:59 CET, just before the gap
    };
    qint64 code = 1;
    int forwarded = 0;
    for (const auto& m : moments) {
        // The record before the step: a status update between the two would otherwise find October's
        // record ahead of March's clock, rightly.
        ASSERT_TRUE(historyAt(f.plant, m.text));
        clock.set(m.now);
        ASSERT_TRUE(alarmAt(f.plant, code, m.text));
        forwarded += reached(station, code);
        BoundedWait().pause(600ms); // a few status updates read the record
        ++code;
    }
    const int falseRestarts = notices(f.plant, AlarmScan::futureNotice);
    EXPECT_EQ(forwarded, 3) << agent->err.right(3000);
    EXPECT_EQ(falseRestarts, 0) << agent->err.right(3000);

    // A genuine future date still restarts, once: 05:30 CEST is hours ahead of 01:59 CET. The history is
    // not ahead, so the next status update (the first one, a few seconds after the start, or the next
    // minute ending in 0 or 5) ends the episode with the same text: only the begin notices count.
    ASSERT_TRUE(alarmAt(f.plant, code, "2026-03-29 05:30:00"));
    EXPECT_TRUE(reached(station, code));
    EXPECT_TRUE(pollUntil([&] { return notices(f.plant, AlarmScan::futureNotice, "1") == 1; }, 10s));
    ASSERT_TRUE(agent->stop(15s));
    const int genuineTold = notices(f.plant, AlarmScan::futureNotice, "1");
    EXPECT_EQ(genuineTold, 1) << "told again after the first";
    f.figures(QStringLiteral("tz=Europe/Madrid moments=autumn-first-pass,autumn-second-pass,spring-gap "
                             "forwarded=%1/3 false-restarts=%2 genuine-future-told=%3 lost=%4")
                  .arg(forwarded)
                  .arg(falseRestarts)
                  .arg(genuineTold)
                  .arg(3 - forwarded));
}
