#include "core/FixedDateText.h"
#include "core/SupervisionSql.h"

#include <gtest/gtest.h>

namespace {

TEST(FixedDateText, WritesWhatToStringWrites) {
    // Years 1 to 9999 are the parser properties' own; these lie beyond them.
    const QDateTime cases[] = {
        QDateTime(QDate(10000, 1, 1), QTime(1, 2, 3)),
        QDateTime(QDate(-44, 3, 15), QTime(10, 0, 0)),
        QDateTime(),
    };
    for (const QDateTime& when : cases) {
        SCOPED_TRACE(when.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(FixedDateText::yearFirst(when), when.toString("yyyy/MM/dd HH:mm:ss"));
        EXPECT_EQ(FixedDateText::dayFirst(when), when.toString("dd/MM/yyyy HH:mm:ss"));
    }
}

TEST(FixedDateText, DatabaseTextsReadAsTheGeneralParserReadsThem) {
    const char* texts[] = {
        "2026-12-06 07:05:09", " 2026-12-06 07:05:09 ", "2026-02-30 10:00:00", "2026-12-06 24:00:00",
        "2026-12-06 07:05",    "2026-1x-06 07:05:09",   "2026-12-06T07:05:09", "2026-12-06",
        "06/12/2026 07:05:09"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        QDateTime general;
        for (const char* format :
             {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd"}) {
            general = QDateTime::fromString(QString::fromLatin1(text).trimmed(), QString::fromLatin1(format));
            if (general.isValid())
                break;
        }
        EXPECT_EQ(SupervisionSql::toDateTime(QString::fromLatin1(text)), general);
    }
}

} // namespace
