#include "core/DbErrorMap.h"

#include <gtest/gtest.h>

namespace {

struct OdbcCase {
    const char* state;
    const char* message;
    quint32 code;
};

TEST(DbErrorMap, OdbcStatesAndMessages) {
    const OdbcCase cases[] = {
        {"08001", "Unable to connect: Adaptive Server is unavailable", AgentError::Unspecified},
        {"08S01", "Communication link failure", AgentError::Unspecified},
        {"08003", "", AgentError::Unspecified},
        {"HYT01", "Connection timeout expired", AgentError::Unspecified},
        {"42S02", "Invalid object name 'FlashAlarmz'.", AgentError::MissingObject},
        {"42S22", "Invalid column name 'x'.", AgentError::MissingObject},
        {"42000", "Incorrect syntax near 'selec'.", AgentError::CommandFailed},
        {"23000", "Violation of PRIMARY KEY constraint", AgentError::CommandFailed},
        // Drivers that report only a generic state are judged by their words.
        {"HY000", "[SQLite]no such table: nope (1)", AgentError::MissingObject},
        {"HY000", "[SQLite]no such column: nocol (1)", AgentError::MissingObject},
        {"HY000", "[SQLite]near \"selec\": syntax error (1)", AgentError::CommandFailed},
        {"S1000", "[SQLite]no such table: FlashAlarmz (1)", AgentError::MissingObject},
        {"S0002", "Base table not found", AgentError::MissingObject},
        {"S0022", "Column not found", AgentError::MissingObject},
        {"S1000", "[SQLite]near \"x\": syntax error (1)", AgentError::CommandFailed},
        {"", "[SQLite]database is locked (5)", AgentError::Unspecified},
        {"", "Invalid object name 'x'", AgentError::MissingObject},
        // A known state wins over misleading words.
        {"42000", "no such table mentioned in a syntax error", AgentError::CommandFailed},
    };
    for (const OdbcCase& c : cases)
        EXPECT_EQ(DbErrorMap::odbcCode(QString::fromLatin1(c.state), QString::fromLatin1(c.message)), c.code)
            << c.state << " / " << c.message;
}

struct SqliteCase {
    int result;
    const char* message;
    quint32 code;
};

TEST(DbErrorMap, SqliteResultCodesAndMessages) {
    const SqliteCase cases[] = {
        {1, "no such table: FlashAlarms", AgentError::MissingObject},
        {1, "no such column: Alarmcodex", AgentError::MissingObject},
        {1, "near \"SELEC\": syntax error", AgentError::CommandFailed},
        {19, "UNIQUE constraint failed: GenericSettings.Name", AgentError::CommandFailed},
        {14, "unable to open database file", AgentError::Unspecified},
        {5, "database is locked", AgentError::Unspecified},
        {6, "database table is locked", AgentError::Unspecified},
        {10, "disk I/O error", AgentError::Unspecified},
        {26, "file is not a database", AgentError::Unspecified},
        {21, "bad parameter or other API misuse", AgentError::Unspecified},
        // Extended codes carry the primary code in their low byte.
        {266, "disk I/O error", AgentError::Unspecified},              // SQLITE_IOERR_READ
        {1555, "UNIQUE constraint failed", AgentError::CommandFailed}, // SQLITE_CONSTRAINT_PRIMARYKEY
        // Without a code (a closed connection reported by Qt) the words decide.
        {-1, "Driver not loaded: connection is closed", AgentError::Unspecified},
        {-1, "something else", AgentError::CommandFailed},
    };
    for (const SqliteCase& c : cases)
        EXPECT_EQ(DbErrorMap::sqliteCode(c.result, QString::fromLatin1(c.message)), c.code)
            << c.result << " / " << c.message;
}

} // namespace
