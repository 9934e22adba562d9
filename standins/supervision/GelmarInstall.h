#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The stand-in supervision system's installation folder: executables (links to gelmar-sim under the
// system's names), GS.INI, database/ with the two SQLite databases, and the fault-mode file that the
// running GSNET.EXE re-reads. Shared by gelmar-sim and the tests that build installations in-process.
class GelmarInstall {
public:
    static inline const QString acquired = QStringLiteral("_AcquiredDB_x");
    static inline const QString config = QStringLiteral("_ConfigDB_x");
    static inline const QString networkServer = QStringLiteral("GSNET.EXE");
    // Started by GSNET.EXE when not running.
    static const QStringList residentServers;
    // Every name the binary answers to.
    static const QStringList executables;

    static QString schemaText();
    // The statements of one database's section of schema.sql.
    static QStringList schemaStatements(const QString& catalogue);
    static QString databasePath(const QString& dir, const QString& catalogue);
    static QString gsIniPath(const QString& dir);
    static QString faultsPath(const QString& dir);

    // A new database file from its schema section (built aside, then renamed into place; WAL journal).
    // Refuses an existing file.
    static bool createDatabase(const QString& path, const QString& catalogue, QString* error);
    // Configuration rows: plant name, database version, instruments and their alarm texts.
    static bool fillConfig(const QString& path, const QString& plant, QString* error);
    // Both databases, filled; existing ones are kept.
    static bool createDatabases(const QString& dir, const QString& plant, QString* error);
    // The whole folder; links point at executable. Existing parts are kept.
    static bool install(const QString& dir, const QString& plant, const QString& executable, QString* error);

    // Appends one FlashAlarms row; returns its id, or -1 with error set.
    static qint64 addAlarm(const QString& dir, qint64 code, const QString& instrument, int state,
                           const QDateTime& time, QString* error);

    // Pids of processes started from dir under name (compared without case): the installation's own,
    // so that two installations on one machine do not see each other's servers.
    static QList<qint64> runningFrom(const QString& dir, const QString& name);

    static inline const QString dateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
};
