#include "core/SupervisionSql.h"
#include "GelmarInstall.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QDateTime when(QDate(2026, 12, 6), QTime(7, 5, 9));

struct Statement {
    const char* name;
    std::function<QString(const SupervisionSql&)> text;
    const char* database; // where the statement runs
};

const QList<Statement>& statements() {
    static const QList<Statement> all = {
        {"plantName", [](const SupervisionSql& s) { return s.plantName(); }, "_ConfigDB_x"},
        {"dbVersion", [](const SupervisionSql& s) { return s.dbVersion(); }, "_ConfigDB_x"},
        {"maxFlashAlarmId", [](const SupervisionSql& s) { return s.maxFlashAlarmId(); }, "_AcquiredDB_x"},
        {"alarmsAfter", [](const SupervisionSql& s) { return s.alarmsAfter(12, when); }, "_AcquiredDB_x"},
        {"virtualResource", [](const SupervisionSql& s) { return s.virtualResource(3, 30); }, "_ConfigDB_x"},
        {"virtualInstrument", [](const SupervisionSql& s) { return s.virtualInstrument(3); }, "_ConfigDB_x"},
        {"newestHistoryTimestamp", [](const SupervisionSql& s) { return s.newestHistoryTimestamp(); },
         "_AcquiredDB_x"},
        {"historyAfter", [](const SupervisionSql& s) { return s.historyAfter(when); }, "_AcquiredDB_x"},
        {"alarmsSince", [](const SupervisionSql& s) { return s.alarmsSince(when); }, "_AcquiredDB_x"},
        {"dropHistoryIndex", [](const SupervisionSql& s) { return s.dropHistoryIndex(); }, "_AcquiredDB_x"},
        {"createHistoryIndex", [](const SupervisionSql& s) { return s.createHistoryIndex(); },
         "_AcquiredDB_x"},
        {"setSingleUser", [](const SupervisionSql& s) { return s.setSingleUser(); }, "_AcquiredDB_x"},
        {"checkAcquiredDb", [](const SupervisionSql& s) { return s.checkAcquiredDb(); }, "_AcquiredDB_x"},
        {"setMultiUser", [](const SupervisionSql& s) { return s.setMultiUser(); }, "_AcquiredDB_x"},
        {"deleteTemporaryData", [](const SupervisionSql& s) { return s.deleteTemporaryData(); },
         "_AcquiredDB_x"},
        {"repairTemporaryData", [](const SupervisionSql& s) { return s.repairTemporaryData(); },
         "_AcquiredDB_x"},
        {"repairHistoricalData", [](const SupervisionSql& s) { return s.repairHistoricalData(); },
         "_AcquiredDB_x"},
        {"shrinkAcquiredDb", [](const SupervisionSql& s) { return s.shrinkAcquiredDb(); }, "_AcquiredDB_x"},
        {"shrinkConfigDb", [](const SupervisionSql& s) { return s.shrinkConfigDb(); }, "_ConfigDB_x"},
    };
    return all;
}

TEST(SupervisionSql, EveryStatementHasBothDialects) {
    const SupervisionSql tsql(DbEngine::Odbc), sqlite(DbEngine::Sqlite);
    for (const Statement& st : statements()) {
        const QString a = st.text(tsql), b = st.text(sqlite);
        EXPECT_FALSE(a.isEmpty()) << st.name;
        EXPECT_FALSE(b.isEmpty()) << st.name;
        EXPECT_NE(a, b) << st.name;
    }
}

TEST(SupervisionSql, TsqlTextsAreTheSystemsOwn) {
    const SupervisionSql s(DbEngine::Odbc);
    EXPECT_EQ(s.alarmsAfter(1234, when),
              "SELECT * FROM FlashAlarms WHERE Id_flashalarm > 1234 and timestamp > '20261206 07:05:09' ORDER BY "
              "Id_flashalarm");
    EXPECT_EQ(s.virtualResource(17, 4), "select * from VirtualResources where Ref_IDVirtualInstr='17' and "
                                        "EventAlarmCode = 4");
    EXPECT_EQ(s.newestHistoryTimestamp(),
              "SELECT timestamp From HistoricalData WHERE  ID_histreg = IDENT_CURRENT('historicaldata')");
    EXPECT_EQ(s.historyAfter(when), "SELECT * FROM HistoricalData where Timestamp > '20261206 07:05:09'");
    EXPECT_EQ(s.plantName(), "select * from GenericSettings where Name='PlantName'");
}

TEST(SupervisionSql, DateTextsAndValuesOfEachDialect) {
    EXPECT_EQ(SupervisionSql(DbEngine::Odbc).dateText(when), "20261206 07:05:09");
    EXPECT_EQ(SupervisionSql(DbEngine::Sqlite).dateText(when), "2026-12-06 07:05:09");
    EXPECT_EQ(SupervisionSql::toDateTime(QStringLiteral("2026-12-06 07:05:09")), when);
    EXPECT_EQ(SupervisionSql::toDateTime(QVariant(when)), when);
    EXPECT_FALSE(SupervisionSql::toDateTime(QStringLiteral("06/12/2026")).isValid());
}

// Every SQLite text runs against databases made from schema.sql, in the order the maintenance runs them.
TEST(SupervisionSql, SqliteTextsRunAgainstTheSchema) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString error;
    ASSERT_TRUE(GelmarInstall::createDatabases(dir.path(), QStringLiteral("P"), &error))
        << error.toStdString();
    ASSERT_GT(GelmarInstall::addAlarm(dir.path(), 30, QStringLiteral("3"), 1, when.addSecs(60), &error), 0);
    const SupervisionSql s(DbEngine::Sqlite);
    for (const char* catalogue : {"_AcquiredDB_x", "_ConfigDB_x"}) {
        const QString name = QStringLiteral("sqltest-") + QLatin1String(catalogue);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(GelmarInstall::databasePath(dir.path(), QLatin1String(catalogue)));
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            for (const Statement& st : statements()) {
                if (QLatin1String(st.database) != QLatin1String(catalogue))
                    continue;
                EXPECT_TRUE(q.exec(st.text(s))) << st.name << ": " << q.lastError().text().toStdString();
                while (q.isSelect() && q.next()) {
                }
            }
            // The index is back after the reindex pair, under its own name.
            ASSERT_TRUE(q.exec(
                QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'IX_HistoricalData'")));
            ASSERT_TRUE(q.next());
            EXPECT_EQ(q.value(0).toInt(), QLatin1String(catalogue) == QLatin1String("_AcquiredDB_x") ? 1 : 0);
        }
        QSqlDatabase::removeDatabase(name);
    }
}

} // namespace
