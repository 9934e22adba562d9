#include "forwarding/AlarmPages.h"
#include "core/EventLog.h"
#include "core/SupervisionDb.h"
#include "support/FakeClock.h"
#include "support/RecordingDialogs.h"
#include "support/TestPlant.h"

#include <gtest/gtest.h>

namespace {

TEST(AlarmPages, ReadsAPageOnlyWhenTheOneBeforeIsUsedUp) {
    TestPlant plant;
    FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(12, 0, 0))};
    RecordingDialogs dialogs;
    EventLog log{plant.program, clock};
    SupervisionDb db{SupervisionDb::Settings::fromIni(plant.ini()), [&] { return plant.gelmar; }, log,
                     dialogs};
    ASSERT_TRUE(db.ConectaConDB());
    const QDateTime cutoff = clock.now().addDays(-7);
    {
        AlarmPages empty(db, 0, cutoff, 2);
        EXPECT_EQ(empty.next(), std::nullopt) << "an empty table";
        EXPECT_EQ(empty.pagesRead(), 0);
    }
    QList<qint64> ids;
    for (int i = 0; i < 5; ++i)
        ids.append(plant.addAlarm(10, "1", 1, clock.now().addSecs(i - 60)));

    AlarmPages pages(db, ids[0], cutoff, 2);
    EXPECT_EQ(pages.pagesRead(), 1);
    QList<qint64> read;
    for (int i = 0; i < 2; ++i)
        read.append(pages.next()->value("Id_flashalarm").toLongLong());
    EXPECT_EQ(pages.pagesRead(), 1) << "a scan that stops here has read one page";
    plant.addAlarm(10, "1", 1, clock.now()); // newer than the cycle: not read
    while (const auto row = pages.next())
        read.append(row->value("Id_flashalarm").toLongLong());
    EXPECT_EQ(read, ids.mid(1));
    EXPECT_EQ(pages.pagesRead(), 2);
}

} // namespace
