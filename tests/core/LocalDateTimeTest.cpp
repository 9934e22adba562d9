#include "core/state/FutureDatePolicy.h"
#include "supervision/SupervisionSql.h"

#include "support/TestCommon.h"
#include <QTimeZone>

// Run with TZ=Europe/Madrid: summer time ends at 03:00 CEST on 25 Oct 2026 (02:00-03:00 comes twice) and
// begins at 02:00 CET on 29 Mar 2026 (02:00-03:00 never comes).
QDateTime utc(int month, int day, int h, int m, int s = 0) {
    return QDateTime(QDate(2026, month, day), QTime(h, m, s), Qt::UTC);
}

TEST(LocalDateTimeTest, DatabaseTextsAroundTheChangesOfTime) {
    ASSERT_EQ(QTimeZone::systemTimeZoneId(), "Europe/Madrid");
    const std::tuple<QVariant, QDateTime> cases[] = {
        {QStringLiteral("2026-10-25 01:30:00"), utc(10, 24, 23, 30)},       // before the repeated hour
        {QStringLiteral("2026-10-25 02:00:00"), utc(10, 25, 0, 0)},         // the repeated hour: the earlier
        {QStringLiteral("2026-10-25 02:57:33"), utc(10, 25, 0, 57, 33)},    // instant of the two
        {QStringLiteral("2026-10-25T02:59:59"), utc(10, 25, 0, 59, 59)},    // the general parser too
        {QDateTime(QDate(2026, 10, 25), QTime(2, 10)), utc(10, 25, 0, 10)}, // a driver's own date-time
        {QStringLiteral("2026-10-25 03:00:00"), utc(10, 25, 2, 0)},         // after it, standard time
        {QStringLiteral("2026-03-29 01:59:59"), utc(3, 29, 0, 59, 59)},     // before the gap
        {QStringLiteral("2026-03-29 02:00:00"), utc(3, 29, 1, 0)},          // in the gap: the instant
        {QStringLiteral("2026-03-29 02:30:00"), utc(3, 29, 1, 0)},          // after it, 03:00 CEST
        {QStringLiteral("2026-03-29 03:00:00"), utc(3, 29, 1, 0)},
        {QStringLiteral("2026-07-01 12:00:00"), utc(7, 1, 10, 0)}, // an ordinary summer day
    };
    for (const auto& [value, instant] : cases) {
        const QDateTime read = SupervisionSql::toDateTime(value);
        EXPECT_EQ(read.toUTC(), instant) << value.toString();
        EXPECT_EQ(read.timeSpec(), Qt::LocalTime) << value.toString();
    }
}

TEST(LocalDateTimeTest, TheRepeatedHourIsNotAFutureDateButAGenuineOneStillIs) {
    const auto future = [](const QDateTime& nowUtc, const QString& text) {
        return FutureDatePolicy::isFuture(SupervisionSql::toDateTime(text), nowUtc.toLocalTime());
    };
    // First pass through 02:xx (CEST): an alarm of that moment.
    EXPECT_FALSE(future(utc(10, 25, 0, 57, 33), QStringLiteral("2026-10-25 02:57:33")));
    // Second pass (CET): an alarm of that moment reads an hour earlier, never ahead.
    EXPECT_FALSE(future(utc(10, 25, 1, 10), QStringLiteral("2026-10-25 02:10:00")));
    // A record really dated an hour ahead, across the change and on an ordinary day.
    EXPECT_TRUE(future(utc(10, 25, 0, 30), QStringLiteral("2026-10-25 03:30:00")));
    EXPECT_TRUE(future(utc(7, 1, 10, 0), QStringLiteral("2026-07-01 13:00:00")));
    // Spring: a record of the gap's minutes, a minute before the change, is not an hour ahead.
    EXPECT_FALSE(future(utc(3, 29, 0, 59), QStringLiteral("2026-03-29 02:30:00")));
}
