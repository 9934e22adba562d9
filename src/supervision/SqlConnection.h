#pragma once

#include "supervision/SupervisionSql.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>

// What every Qt SQL connection of the agent shares: a name of its own in Qt's process-wide registry,
// a removal that lets go of the handle before the name, SQLite files that are opened but never created,
// and statements whose failures reach the steps as AgentError.
namespace SqlConnection {

// "vornnet-<role>-<n>", never used twice in a process.
QString uniqueName(const QString& role);

// Closes the connection and removes its name; a name never added is ignored.
void remove(const QString& name);

// An existing SQLite file, read-write, with a busy time-out so another process may write meanwhile.
// Throws AgentError: Unspecified when the file is missing (opening must never create it).
QSqlDatabase openExistingSqlite(const QString& path, const QString& name);

// Every row of a statement, read to its end; throws AgentError mapped for the engine.
QList<QSqlRecord> select(const QSqlDatabase& db, DbEngine engine, const QString& statement);

} // namespace SqlConnection
