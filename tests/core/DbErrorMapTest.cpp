#include "core/DbErrorMap.h"

#include <gtest/gtest.h>

namespace {

constexpr quint32 unspecified = AgentError::Unspecified, missing = AgentError::MissingObject,
                  failed = AgentError::CommandFailed;

TEST(DbErrorMap, OdbcStatesAndMessages) {
    const struct {
        const char *state, *message;
        quint32 code;
    } cases[] = {
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
    for (const auto& c : cases)
        EXPECT_EQ(DbErrorMap::odbcCode(c.state, c.message), c.code) << c.state << " / " << c.message;
}

TEST(DbErrorMap, SqliteResultCodesAndMessages) {
    const struct {
        int result;
        const char* message;
        quint32 code;
    } cases[] = {
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
    for (const auto& c : cases)
        EXPECT_EQ(DbErrorMap::sqliteCode(c.result, c.message), c.code) << c.result << " / " << c.message;
}

} // namespace
