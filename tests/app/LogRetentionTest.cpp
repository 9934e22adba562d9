#include "app/LogRetention.h"
#include "core/AgentLocale.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString eventLog(int year, int month) {
    return QStringLiteral("VORNNET-") + AgentLocale::monthTag(QDate(year, month, 1)) + QStringLiteral(".log");
}

} // namespace

TEST(LogRetention, MonthsKeptByTheKeysText) {
    const struct {
        const char* text;
        int months;
    } cases[] = {{"", 0}, {"0", 0}, {"-3", 0}, {"doce", 0}, {"12", 12}, {" 3 ", 3}, {"2.5", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(LogRetention::monthsOf(QString::fromUtf8(c.text)), c.months) << c.text;
}

// Three months kept on 15 March 2026: March, February and January stay; December and older go, and
// files that only look alike (no month, another prefix or extension) are never touched.
TEST(LogRetention, PruneKeepsTheMonthsCountingTheCurrentOne) {
    QTemporaryDir dir;
    const QStringList kept = {eventLog(2026, 3),
                              eventLog(2026, 1),
                              eventLog(2026, 2),
                              QStringLiteral("VORNNET-notes.log"),
                              QStringLiteral("VORNNET-xyz-20.log"),
                              QStringLiteral("VORNNET-.log"),
                              eventLog(2020, 1).replace(".log", ".txt"),
                              QStringLiteral("modem-") + AgentLocale::monthTag(QDate(2020, 1, 1)) +
                                  QStringLiteral(".log")};
    const QStringList old = {eventLog(2025, 12), eventLog(2024, 3)};
    for (const QString& name : kept + old) {
        QFile f(QDir(dir.path()).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QStringList deleted = LogRetention::prune(dir.path(), QStringLiteral("VORNNET-"), QDate(2026, 3, 15), 3);
    deleted.sort();
    QStringList expected = old;
    expected.sort();
    EXPECT_EQ(deleted, expected);
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(QDir(dir.path()).filePath(name))) << name.toStdString();
    // 0 keeps everything.
    EXPECT_TRUE(LogRetention::prune(dir.path(), QStringLiteral("VORNNET-"), QDate(2030, 1, 1), 0).isEmpty());
}
