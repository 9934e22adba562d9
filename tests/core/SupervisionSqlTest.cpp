#include "core/text/FixedDateText.h"
#include "supervision/DbErrorMap.h"

#include "support/TestCommon.h"

const QDateTime when(QDate(2026, 12, 6), QTime(7, 5, 9));

// Every statement the agent sends, by name; the SQLite texts run on the stand-in's schema in the scan and
// maintenance tests.
// clang-format off
#define STATEMENT(name, ...) {#name, [](const SupervisionSql& s) { return s.name(__VA_ARGS__); }}
const QList<std::pair<const char*, std::function<QString(const SupervisionSql&)>>> statements = {
    STATEMENT(plantName), STATEMENT(dbVersion), STATEMENT(maxFlashAlarmId), STATEMENT(newestFlashAlarmId),
    STATEMENT(alarmsAfter, 12, when), STATEMENT(alarmsAfter, 12, when, 500), STATEMENT(virtualResource, 3, 30),
    STATEMENT(virtualInstrument, 3), STATEMENT(newestHistoryTimestamp), STATEMENT(historyAfter, when),
    STATEMENT(alarmsSince, when), STATEMENT(dropHistoryIndex), STATEMENT(createHistoryIndex),
    STATEMENT(setSingleUser), STATEMENT(checkAcquiredDb), STATEMENT(setMultiUser), STATEMENT(deleteTemporaryData),
    STATEMENT(repairTemporaryData), STATEMENT(repairHistoricalData), STATEMENT(shrinkAcquiredDb),
    STATEMENT(shrinkConfigDb),
};
#undef STATEMENT
// clang-format on

TEST(SupervisionSql, EveryStatementHasBothDialects) {
    const SupervisionSql tsql(DbEngine::Odbc), sqlite(DbEngine::Sqlite);
    for (const auto& [name, text] : statements) {
        const QString a = text(tsql), b = text(sqlite);
        EXPECT_FALSE(a.isEmpty() || b.isEmpty()) << name;
        EXPECT_NE(a, b) << name;
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

TEST(FixedDateText, WritesWhatToStringWrites) {
    // Years 1 to 9999 are the parser properties' own; these lie beyond them.
    const QDateTime cases[] = {QDateTime(QDate(10000, 1, 1), QTime(1, 2, 3)),
                               QDateTime(QDate(-44, 3, 15), QTime(10, 0, 0)), QDateTime()};
    for (const QDateTime& when : cases) {
        SCOPED_TRACE(when.toString(Qt::ISODate));
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

constexpr quint32 unspecified = AgentError::Unspecified, missing = AgentError::MissingObject,
                  failed = AgentError::CommandFailed;

TEST(DbErrorMap, OdbcStatesAndMessages) {
    const std::tuple<const char*, const char*, quint32> cases[] = {
        // clang-format off
        {"08001", "Unable to connect", unspecified}, {"08S01", "Communication link failure", unspecified},
        {"HYT01", "Connection timeout expired", unspecified}, {"42S02", "Invalid object name 'x'.", missing},
        {"42S22", "Invalid column name 'x'.", missing}, {"S0002", "Base table not found", missing},
        {"42000", "Incorrect syntax near 'selec'.", failed}, {"23000", "Violation of PRIMARY KEY", failed},
        // Drivers that report only a generic state are judged by their words; a known state wins over words.
        {"HY000", "[SQLite]no such table: t (1)", missing}, {"S1000", "[SQLite]no such column: c (1)", missing},
        {"HY000", "[SQLite]near \"selec\": syntax error (1)", failed}, {"", "Invalid object name 'x'", missing},
        {"", "[SQLite]database is locked (5)", failed}, {"42000", "no such table in a syntax error", failed},
        // clang-format on
    };
    for (const auto& [state, message, code] : cases)
        EXPECT_EQ(DbErrorMap::odbcCode(state, message), code) << state << " / " << message;
}

TEST(DbErrorMap, SqliteResultCodesAndMessages) {
    const std::tuple<int, const char*, quint32> cases[] = {
        // clang-format off
        {1, "no such table: FlashAlarms", missing}, {1, "no such column: Alarmcodex", missing},
        {1, "near \"SELEC\": syntax error", failed}, {19, "UNIQUE constraint failed", failed},
        {14, "unable to open database file", unspecified}, {5, "database is locked", failed},
        {10, "disk I/O error", unspecified}, {26, "file is not a database", unspecified},
        // A lock is another process's for a while, not a lost connection.
        {6, "database table is locked", failed}, {517, "database is locked", failed},
        // Extended codes carry the primary code in their low byte.
        {266, "disk I/O error", unspecified}, {1555, "UNIQUE constraint failed", failed},
        // Without a code (a closed connection reported by Qt) the words decide.
        {-1, "Driver not loaded: connection is closed", unspecified}, {-1, "something else", failed},
        // clang-format on
    };
    for (const auto& [result, message, code] : cases)
        EXPECT_EQ(DbErrorMap::sqliteCode(result, message), code) << result << " / " << message;
}
