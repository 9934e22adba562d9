#pragma once

#include "core/runtime/BoundedWait.h"
#include "supervision/SupervisionSql.h"

#include <QHash>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

using namespace std::chrono_literals;

class Dialogs;
class EventLog;

// The two connections to the supervision databases, `db` (acquired data) and `dbConf` (configuration),
// shared by every step for the life of the agent. Statements run synchronously on the window's thread;
// failures reach callers as AgentError with the provider-style code they act on, never as QSqlError.
class SupervisionDb {
public:
    enum class Which { Acquired, Config };

    static inline const QString acquiredCatalogue = QStringLiteral("_AcquiredDB_x");
    static inline const QString configCatalogue = QStringLiteral("_ConfigDB_x");
    static inline const QString timeoutText =
        QStringLiteral("La conexión con la base de datos del Gelmar no se ha completado en 60 segundos");

    // How to reach the server, from section CONFIG of vornnet.ini.
    struct Settings {
        DbEngine engine = DbEngine::Odbc;
        QString odbcDriver = QStringLiteral("FreeTDS");
        QString server = QStringLiteral("localhost");
        QString user = QStringLiteral("sa");
        QString password = QStringLiteral("tormix");

        // Keys DbEngine ("odbc" or "sqlite"), OdbcDriver, DbServer, DbUser, DbPassword; absent keys keep
        // the defaults, an unknown engine reads as odbc.
        static Settings fromIni(const QString& iniPath);
    };

    // installFolder is asked at every connect: the window field may be filled only after the first one.
    SupervisionDb(Settings settings, std::function<QString()> installFolder, const EventLog& log,
                  Dialogs& dialogs);
    ~SupervisionDb();
    SupervisionDb(const SupervisionDb&) = delete;
    SupervisionDb& operator=(const SupervisionDb&) = delete;

    const Settings& settings() const { return m_settings; }
    const SupervisionSql& sql() const { return m_sql; }

    // Open both connections, retrying while the retry window lasts (measured from the call), with events
    // running between attempts. On final failure: one event-log line, one critical box, false.
    bool ConectaConDB();
    // One attempt at one connection, bounded by budget: no retry, no log line, no message. For a check
    // that must say why it failed and end. Throws AgentError.
    void openOnce(Which which, std::chrono::milliseconds budget) { open(which, budget); }
    // Drop both connections and open them again (a lost connection in the alarm scan).
    bool reconnect();
    void close();
    // The program is ending: a ConectaConDB in progress gives up at once, quietly, and so does any later.
    void abort();

    // True once ConectaConDB has created the connection objects, until close().
    bool connectionsExist() const { return m_connectionsExist; }
    bool isOpen(Which which) const;

    // The rows of a statement; throws AgentError.
    QList<QSqlRecord> select(Which which, const QString& statement);
    // How many rows a statement gives, read one at a time and not kept; throws AgentError.
    qint64 countRows(Which which, const QString& statement);
    // The same for a statement run again and again with the same text (the look-ups made for each alarm):
    // it stays prepared on its connection and is only executed again, so the server does not parse and
    // plan it each time. The rows are read afresh at every call. Throws AgentError.
    QList<QSqlRecord> lookup(Which which, const QString& statement);
    // Statements kept prepared per connection; beyond this the oldest are let go.
    static constexpr qsizetype maxPrepared = 256;
    // A maintenance statement, run to its end and bounded by the connection's command time-out; the
    // rows it answers with, if any (checks do). Throws AgentError.
    QList<QSqlRecord> exec(Which which, const QString& statement);

    // How long one statement of exec() may run before the server gives it up; 0 is no limit. ODBC: the
    // statement's query time-out, 30 s unless changed, as the system's provider always had. SQLite: the
    // busy time-out, how long a statement waits for another process's lock, 5 s unless changed. Kept
    // across reconnections.
    std::chrono::seconds commandTimeout(Which which) const { return timeoutOf(which); }
    void setCommandTimeout(Which which, std::chrono::seconds timeout);

    // SetValue of the PlantName row; none without a row; throws AgentError.
    std::optional<QString> plantName();
    // Newest alarm id + ":" + the DB_VERSION row's second column; none when either is missing or a
    // statement fails (the caption it feeds is informative only).
    std::optional<QString> versionCaption();

    // SQLite: throws AgentError(Unspecified) when a file opened is no longer the one at its path (deleted
    // and restored, replaced by a copy, moved away), so that the caller opens both again as for a lost
    // connection. Looked at once per scan cycle; nothing to do for ODBC.
    void requireSameFiles() const;

    // What is opened, for the diagnostic lines (never the password): the engine and both targets.
    QString targetText() const;
    QString targetOf(Which which) const;

    // Connection targets, for the tests and the messages.
    static QString odbcConnectionString(const Settings& settings, const QString& catalogue);
    static QString sqlitePath(const QString& installFolder, const QString& catalogue);

    // Injected by tests; production keeps 60 s and a 500 ms pause between attempts.
    void setRetryWindow(std::chrono::milliseconds window) { m_retryWindow = window; }
    void setRetryPause(std::chrono::milliseconds pause) { m_retryPause = pause; }

private:
    QString& nameOf(Which which) { return which == Which::Acquired ? m_dbName : m_dbConfName; }
    const QString& nameOf(Which which) const { return which == Which::Acquired ? m_dbName : m_dbConfName; }
    std::chrono::seconds& timeoutOf(Which which) {
        return which == Which::Acquired ? m_acquiredTimeout : m_configTimeout;
    }
    const std::chrono::seconds& timeoutOf(Which which) const {
        return which == Which::Acquired ? m_acquiredTimeout : m_configTimeout;
    }
    void applySqliteTimeout(Which which);
    // budget: what is left of the retry window, which bounds the driver's login. Throws AgentError.
    void open(Which which, std::chrono::milliseconds budget);
    void drop(Which which);

    // A file as the system knows it, whatever its path: the device and the inode.
    struct FileIdentity {
        quint64 device = 0;
        quint64 inode = 0;
        static std::optional<FileIdentity> of(const QString& path);
        bool operator==(const FileIdentity&) const = default;
    };
    struct OpenedFile {
        QString path;
        std::optional<FileIdentity> identity;
    };
    OpenedFile& fileOf(Which which) { return which == Which::Acquired ? m_dbFile : m_dbConfFile; }
    const OpenedFile& fileOf(Which which) const { return which == Which::Acquired ? m_dbFile : m_dbConfFile; }

    Settings m_settings;
    SupervisionSql m_sql;
    std::function<QString()> m_installFolder;
    const EventLog& m_log;
    Dialogs& m_dialogs;
    std::chrono::milliseconds m_retryWindow{60s};
    std::chrono::milliseconds m_retryPause{500ms};
    bool m_connectionsExist = false;
    bool m_aborted = false;
    BoundedWait m_retryWait; // the pause between attempts, woken by abort()
    QString m_dbName;
    QString m_dbConfName;
    // Per connection (acquired, configuration); emptied before the connection goes.
    QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared[2];
    OpenedFile m_dbFile;
    OpenedFile m_dbConfFile;
    std::chrono::seconds m_acquiredTimeout;
    std::chrono::seconds m_configTimeout;
};
