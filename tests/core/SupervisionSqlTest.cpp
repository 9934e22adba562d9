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
    QString database; // where the statement runs
};

// clang-format off
#define STATEMENT(db, name, ...) {#name, [](const SupervisionSql& s) { return s.name(__VA_ARGS__); }, db}
const QString acq = GelmarInstall::acquired, cfg = GelmarInstall::config;
// In the order the maintenance runs them.
const QList<Statement> statements = {
    STATEMENT(cfg, plantName), STATEMENT(cfg, dbVersion), STATEMENT(acq, maxFlashAlarmId),
    STATEMENT(acq, newestFlashAlarmId),
    STATEMENT(acq, alarmsAfter, 12, when), STATEMENT(acq, alarmsAfter, 12, when, 500),
    STATEMENT(cfg, virtualResource, 3, 30),
    STATEMENT(cfg, virtualInstrument, 3), STATEMENT(acq, newestHistoryTimestamp),
    STATEMENT(acq, historyAfter, when), STATEMENT(acq, alarmsSince, when), STATEMENT(acq, dropHistoryIndex),
    STATEMENT(acq, createHistoryIndex), STATEMENT(acq, setSingleUser), STATEMENT(acq, checkAcquiredDb),
    STATEMENT(acq, setMultiUser), STATEMENT(acq, deleteTemporaryData), STATEMENT(acq, repairTemporaryData),
    STATEMENT(acq, repairHistoricalData), STATEMENT(acq, shrinkAcquiredDb), STATEMENT(cfg, shrinkConfigDb),
};
#undef STATEMENT
// clang-format on

TEST(SupervisionSql, EveryStatementHasBothDialects) {
    const SupervisionSql tsql(DbEngine::Odbc), sqlite(DbEngine::Sqlite);
    for (const Statement& st : statements) {
        const QString a = st.text(tsql), b = st.text(sqlite);
        EXPECT_FALSE(a.isEmpty() || b.isEmpty()) << st.name;
        EXPECT_NE(a, b) << st.name;
    }
    // The server's own texts, dates included.
    EXPECT_EQ(tsql.alarmsAfter(1234, when),
              "SELECT * FROM FlashAlarms WHERE Id_flashalarm > 1234 and timestamp > "
              "'20261206 07:05:09' ORDER BY Id_flashalarm");
    EXPECT_EQ(tsql.alarmsAfter(1234, when, 500),
              "SELECT TOP 500 * FROM FlashAlarms WHERE Id_flashalarm > 1234 and timestamp > "
              "'20261206 07:05:09' ORDER BY Id_flashalarm");
    EXPECT_EQ(sqlite.alarmsAfter(1234, when, 500),
              "SELECT * FROM FlashAlarms WHERE Id_flashalarm > 1234 AND TimeStamp > "
              "'2026-12-06 07:05:09' ORDER BY Id_flashalarm LIMIT 500");
    EXPECT_EQ(tsql.virtualResource(17, 4),
              "select * from VirtualResources where Ref_IDVirtualInstr='17' and EventAlarmCode = 4");
    EXPECT_EQ(tsql.newestHistoryTimestamp(),
              "SELECT timestamp From HistoricalData WHERE  ID_histreg = IDENT_CURRENT('historicaldata')");
    EXPECT_EQ(sqlite.dateText(when), "2026-12-06 07:05:09");
    EXPECT_EQ(SupervisionSql::toDateTime(QVariant(when)), when);
}

TEST(SupervisionSql, SqliteTextsRunAgainstTheSchema) {
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(GelmarInstall::createDatabases(dir.path(), "P", &error)) << error.toStdString();
    ASSERT_GT(GelmarInstall::addAlarm(dir.path(), 30, "3", 1, when.addSecs(60), &error), 0);
    const SupervisionSql s(DbEngine::Sqlite);
    for (const QString& catalogue : {acq, cfg}) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "sqltest");
            db.setDatabaseName(GelmarInstall::databasePath(dir.path(), catalogue));
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            for (const Statement& st : statements) {
                if (st.database != catalogue)
                    continue;
                EXPECT_TRUE(q.exec(st.text(s))) << st.name << ": " << q.lastError().text().toStdString();
                while (q.isSelect() && q.next()) {
                }
            }
            // The index is back after the reindex pair, under its own name.
            ASSERT_TRUE(q.exec("SELECT count(*) FROM sqlite_master WHERE name = 'IX_HistoricalData'"));
            ASSERT_TRUE(q.next());
            EXPECT_EQ(q.value(0).toInt(), catalogue == acq ? 1 : 0);
        }
        QSqlDatabase::removeDatabase("sqltest");
    }
}

} // namespace
