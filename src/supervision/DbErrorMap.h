#pragma once

#include "core/runtime/AgentError.h"
#include "supervision/SupervisionSql.h"

class QSqlError;
class QSqlQuery;

// Driver errors turned into the provider-style codes the steps act on: 0x80004005 for a connection that
// is lost or was never there, 0x80040E37 for a missing table or column, 0x80040E14 for any other failed
// command. Pure functions, so the mapping is tested from tables of cases.
namespace DbErrorMap {

// What a lock held by another process is told as: it passes by itself, and is neither a lost connection
// nor the 60-second connection time-out.
inline const QString lockText = QStringLiteral("Base de datos bloqueada por otro proceso");

// SQLITE_BUSY or SQLITE_LOCKED, or a driver's words for a lock (the ODBC drivers have no state of their
// own for it): a command failed, the connection is kept.
bool isLock(DbEngine engine, int sqliteResult, const QString& message);

// From an ODBC SQLSTATE (class 08 = connection, 42S02/42S22 = missing object). When the driver reports
// only a generic state (HY000 or none) the message decides, as drivers word it.
quint32 odbcCode(const QString& sqlState, const QString& message);

// From an SQLite primary result code and its message.
quint32 sqliteCode(int resultCode, const QString& message);

// A failed call on a Qt SQL connection or query of the given engine. The query, when given, supplies
// the SQLSTATE through its ODBC statement handle.
AgentError fromSqlError(DbEngine engine, const QSqlError& error, const QSqlQuery* query = nullptr);

// The SQLSTATE of the last diagnostic on an ODBC statement, empty when there is none.
QString odbcSqlState(const QSqlQuery& query);

} // namespace DbErrorMap
