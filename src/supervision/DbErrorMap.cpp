#include "supervision/DbErrorMap.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <QStringList>

#include <sql.h>
#include <sqlext.h>

namespace DbErrorMap {

namespace {

bool mentionsMissingObject(const QString& message) {
    static const char* const words[] = {"no such table", "no such column", "invalid object name",
                                        "invalid column name", "no such index"};
    for (const char* w : words)
        if (message.contains(QLatin1String(w), Qt::CaseInsensitive))
            return true;
    return false;
}

bool mentionsLostConnection(const QString& message) {
    static const char* const words[] = {
        "unable to open database", "disk i/o error", "file is not a database", "communication link failure",
        "connection is closed",    "not open",       "connect failed",         "unable to connect"};
    for (const char* w : words)
        if (message.contains(QLatin1String(w), Qt::CaseInsensitive))
            return true;
    return false;
}

// SQLite primary result codes (sqlite3.h); the low byte of an extended code is its primary code.
enum : int {
    SqliteBusy = 5,
    SqliteLocked = 6,
    SqliteIoErr = 10,
    SqliteCorrupt = 11,
    SqliteCantOpen = 14,
    SqliteNotADb = 26,
    SqliteMisuse = 21,
};

int primaryCode(int sqliteResult) {
    constexpr int lowByte = 0xff;
    return sqliteResult & lowByte;
}

} // namespace

bool isLock(DbEngine engine, int sqliteResult, const QString& message) {
    if (engine == DbEngine::Sqlite && sqliteResult > 0)
        return primaryCode(sqliteResult) == SqliteBusy || primaryCode(sqliteResult) == SqliteLocked;
    static const char* const words[] = {"database is locked", "database table is locked",
                                        "lock request time out"};
    for (const char* w : words)
        if (message.contains(QLatin1String(w), Qt::CaseInsensitive))
            return true;
    return false;
}

quint32 odbcCode(const QString& sqlState, const QString& message) {
    if (isLock(DbEngine::Odbc, -1, message))
        return AgentError::CommandFailed;
    const QString state = sqlState.trimmed().toUpper();
    if (state.startsWith(QLatin1String("08")) || state == QLatin1String("HYT01"))
        return AgentError::Unspecified;
    // ODBC 2 drivers still report S0002/S0022 and S1000 for what ODBC 3 calls 42S02/42S22 and HY000.
    static const QStringList missing = {QStringLiteral("42S02"), QStringLiteral("42S22"),
                                        QStringLiteral("42S12"), QStringLiteral("S0002"),
                                        QStringLiteral("S0022"), QStringLiteral("S0012")};
    if (missing.contains(state))
        return AgentError::MissingObject;
    if (state.isEmpty() || state == QLatin1String("HY000") || state == QLatin1String("S1000")) {
        if (mentionsMissingObject(message))
            return AgentError::MissingObject;
        if (mentionsLostConnection(message))
            return AgentError::Unspecified;
    }
    return AgentError::CommandFailed;
}

quint32 sqliteCode(int resultCode, const QString& message) {
    // Another process holds the file for a while: the connection is fine, and the next cycle reads again.
    if (isLock(DbEngine::Sqlite, resultCode, message))
        return AgentError::CommandFailed;
    switch (primaryCode(resultCode)) {
    case SqliteCantOpen:
    case SqliteIoErr:
    case SqliteNotADb:
    case SqliteCorrupt:
    case SqliteMisuse: // a call on a closed connection
        return AgentError::Unspecified;
    default:
        break;
    }
    if (mentionsMissingObject(message))
        return AgentError::MissingObject;
    if (resultCode <= 0 && mentionsLostConnection(message))
        return AgentError::Unspecified;
    return AgentError::CommandFailed;
}

QString odbcSqlState(const QSqlQuery& query) {
    const QSqlResult* result = query.result();
    if (!result)
        return {};
    const QVariant handle = result->handle();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "SQLHANDLE") != 0 && qstrcmp(handle.typeName(), "void*") != 0))
        return {};
    SQLHANDLE stmt = *static_cast<const SQLHANDLE*>(handle.data());
    if (!stmt)
        return {};
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[SQL_MAX_MESSAGE_LENGTH];
    SQLSMALLINT length = 0;
    // The first record names the cause; later ones add context.
    if (!SQL_SUCCEEDED(SQLGetDiagRec(SQL_HANDLE_STMT, stmt, 1, state, &native, text, sizeof text, &length)))
        return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(state), 5);
}

AgentError fromSqlError(DbEngine engine, const QSqlError& error, const QSqlQuery* query) {
    const QString message = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    QString description = error.text().trimmed();
    if (description.isEmpty())
        description = QStringLiteral("Error de base de datos sin descripción");
    bool ok = false;
    const int native = engine == DbEngine::Sqlite ? error.nativeErrorCode().toInt(&ok) : -1;
    if (isLock(engine, ok ? native : -1, message))
        return AgentError(AgentError::CommandFailed,
                          lockText + QStringLiteral(" (") + description + QLatin1Char(')'));
    if (engine == DbEngine::Odbc) {
        const QString state = query ? odbcSqlState(*query) : QString();
        return AgentError(odbcCode(state, message), description);
    }
    // Not error.type(): Qt reports a failed fetch as a connection error whatever its cause.
    return AgentError(sqliteCode(ok ? native : -1, message), description);
}

} // namespace DbErrorMap
