#pragma once

#include "core/settings/DbEngine.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Every statement the agent runs against the supervision databases, in both dialects side by side, so a
// reader sees at once what the production server gets (T-SQL, exactly as the system has always sent it)
// and what the SQLite stand-in gets. Each function returns the text for the engine in use.
//
// SQLite conventions the stand-in and the tests share: names as in SQL Server, date-times stored as text
// "YYYY-MM-DD HH:MM:SS" in local time, identity columns INTEGER PRIMARY KEY AUTOINCREMENT (so
// sqlite_sequence answers what IDENT_CURRENT answers).
class SupervisionSql {
public:
    explicit SupervisionSql(DbEngine engine) : m_engine(engine) {}
    DbEngine engine() const { return m_engine; }

    // A date-time literal's content: "yyyyMMdd HH:mm:ss" for T-SQL, "yyyy-MM-dd HH:mm:ss" for SQLite.
    QString dateText(const QDateTime& when) const;
    // A date-time column value of either dialect (QDateTime from ODBC, text from SQLite); invalid when
    // the value is neither.
    static QDateTime toDateTime(const QVariant& value);

    // Start-up and the Label5 click, on the configuration database.
    QString plantName() const;
    QString dbVersion() const;
    // Newest alarm id, on the acquired-data database (start-up check and Label5).
    QString maxFlashAlarmId() const;
    // The same read from the primary key's end only, for the fast alarm path's look between runs.
    QString newestFlashAlarmId() const;

    // Alarm scan: new alarms (the first limit of them, when one is given), then the names of each alarm's
    // text and device (configuration database).
    QString alarmsAfter(qint64 lastId, const QDateTime& cutoff, int limit = 0) const;
    // Ids of the alarms above lastId that the cut-off leaves out (never to be handed on), in id order, the
    // first limit of them.
    QString alarmsPassedOver(qint64 lastId, const QDateTime& cutoff, int limit) const;
    QString virtualResource(qint64 instrument, qint64 alarmCode) const;
    QString virtualInstrument(qint64 instrument) const;

    // Status update, on the acquired-data database.
    QString newestHistoryTimestamp() const;
    QString historyAfter(const QDateTime& limit) const;
    QString alarmsSince(const QDateTime& since) const;

    // Weekly reindex and repair of the history index.
    QString dropHistoryIndex() const;
    QString createHistoryIndex() const;

    // Repair of the acquired-data database, in the order the repair runs them. SQLite has no single-user
    // mode: an exclusive lock held by the repairing connection plays its part. Its shrink is VACUUM and
    // must run on the connection of the database being shrunk.
    QString setSingleUser() const;
    QString setMultiUser() const;
    QString checkAcquiredDb() const;
    QString deleteTemporaryData() const;
    QString repairTemporaryData() const;
    QString repairHistoricalData() const;
    QString shrinkAcquiredDb() const;
    QString shrinkConfigDb() const;
    // T-SQL names the database it shrinks and runs on the acquired-data connection; VACUUM shrinks the
    // database of the connection it runs on, so the configuration's runs on its own.
    bool shrinkConfigOnItsConnection() const { return m_engine == DbEngine::Sqlite; }

    // The tables the agent reads and the columns it reads by name, for a check of a server's schema.
    struct Table {
        const char* name;
        bool config; // on the configuration database, else on the acquired-data one
        QStringList columns;
    };
    static QList<Table> readSchema();
    // A statement that fails unless the table and each column are there, and reads no row.
    static QString probe(const Table& table);

private:
    QString pick(const QString& tsql, const QString& sqlite) const {
        return m_engine == DbEngine::Odbc ? tsql : sqlite;
    }

    DbEngine m_engine;
};
