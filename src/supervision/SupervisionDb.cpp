#include "supervision/SupervisionDb.h"

#include "core/model/Dialogs.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/BoundedWait.h"
#include "core/runtime/Diagnostics.h"
#include "core/runtime/EventLog.h"
#include "core/settings/ConfigKeys.h"
#include "core/settings/ConfigRules.h"
#include "core/settings/IniFile.h"
#include "supervision/DbErrorMap.h"
#include "supervision/SqlConnection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>
#include <algorithm>
#include <sys/stat.h>

#include <sql.h>
#include <sqlext.h>

namespace {

// The command time-out each engine's connection starts with: a local file answers at once, a server may
// be busy.
constexpr std::chrono::seconds sqliteDefaultTimeout{5};
constexpr std::chrono::seconds odbcDefaultTimeout{30};

std::chrono::seconds defaultTimeout(DbEngine engine) {
    return engine == DbEngine::Sqlite ? sqliteDefaultTimeout : odbcDefaultTimeout;
}

// Qt has no query time-out of its own: it is set on the prepared statement's ODBC handle.
bool setQueryTimeout(const QSqlQuery& query, std::chrono::seconds timeout) {
    const QSqlResult* result = query.result();
    const QVariant handle = result ? result->handle() : QVariant();
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "SQLHANDLE") != 0 && qstrcmp(handle.typeName(), "void*") != 0))
        return false;
    SQLHANDLE stmt = *static_cast<const SQLHANDLE*>(handle.data());
    const auto seconds = static_cast<SQLULEN>(std::max<qint64>(0, timeout.count()));
    // ODBC takes an integer attribute in its pointer argument.
    return stmt && SQL_SUCCEEDED(SQLSetStmtAttr(
                       stmt, SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(seconds), // NOLINT(performance-no-int-to-ptr)
                       0));
}

QString iniValue(const QString& ini, const char* key, const QString& fallback) {
    const QString v = LeeIni(ini, QStringLiteral("CONFIG"), QString::fromLatin1(key));
    return v.isEmpty() ? fallback : v;
}

QString driverOf(DbEngine engine) {
    return engine == DbEngine::Odbc ? QStringLiteral("QODBC") : QStringLiteral("QSQLITE");
}

QString packageOf(DbEngine engine) {
    return engine == DbEngine::Odbc ? QStringLiteral("libqt6sql6-odbc") : QStringLiteral("libqt6sql6-sqlite");
}

// ODBC connection-string values holding ';' or braces must be braced, with '}' doubled.
QString odbcValue(const QString& v) {
    if (!v.contains(QLatin1Char(';')) && !v.contains(QLatin1Char('{')) && !v.contains(QLatin1Char('}')) &&
        v.trimmed() == v)
        return v;
    QString braced = v;
    braced.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + braced + QLatin1Char('}');
}

// FreeTDS left to find the protocol version itself falls back to the Sybase protocol when a server
// accepts and stays silent, and that attempt never returns, whatever the login time-out. SQL Server takes
// a 7.4 login whatever its own version and answers with the one it speaks; TDSVER still chooses.
QString tdsVersionPin(const QString& driver) {
    if (!driver.contains(QLatin1String("tds"), Qt::CaseInsensitive))
        return {};
    const QString chosen = qEnvironmentVariable("TDSVER").trimmed();
    const bool usable = !chosen.isEmpty() && chosen.compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0;
    return QStringLiteral("TDS_Version=") + odbcValue(usable ? chosen : QStringLiteral("7.4")) +
           QLatin1Char(';');
}

// The ODBC statement's query time-out needs its handle, so the statement is prepared before it runs.
void runBounded(QSqlQuery& q, const QString& statement, std::chrono::seconds timeout) {
    if (!q.prepare(statement))
        throw DbErrorMap::fromSqlError(DbEngine::Odbc, q.lastError(), &q);
    if (!setQueryTimeout(q, timeout))
        qCWarning(lcDb) << "el controlador no admite tiempo límite; la sentencia corre sin límite:"
                        << statement;
    if (!q.exec())
        throw DbErrorMap::fromSqlError(DbEngine::Odbc, q.lastError(), &q);
}

} // namespace

SupervisionDb::Settings SupervisionDb::Settings::fromIni(const QString& iniPath) {
    Settings s;
    // An unknown engine ends the start before this is read; odbc stands in for it meanwhile.
    s.engine =
        ConfigRules::dbEngine(iniValue(iniPath, ConfigKeys::DbEngine, QString())).value_or(DbEngine::Odbc);
    s.odbcDriver = iniValue(iniPath, ConfigKeys::OdbcDriver, s.odbcDriver);
    s.server = iniValue(iniPath, ConfigKeys::DbServer, s.server);
    s.user = iniValue(iniPath, ConfigKeys::DbUser, s.user);
    s.password = iniValue(iniPath, ConfigKeys::DbPassword, s.password);
    return s;
}

SupervisionDb::SupervisionDb(Settings settings, std::function<QString()> installFolder, const EventLog& log,
                             Dialogs& dialogs)
    : m_settings(std::move(settings)), m_sql(m_settings.engine), m_installFolder(std::move(installFolder)),
      m_log(log), m_dialogs(dialogs), m_acquiredTimeout(defaultTimeout(m_settings.engine)),
      m_configTimeout(defaultTimeout(m_settings.engine)) {
}

SupervisionDb::~SupervisionDb() {
    close();
}

QString SupervisionDb::odbcConnectionString(const Settings& s, const QString& catalogue) {
    // A driver name may carry blanks ("ODBC Driver 17 for SQL Server"): always braced.
    QString driver = s.odbcDriver;
    driver.replace(QLatin1String("}"), QLatin1String("}}"));
    return QStringLiteral("Driver={") + driver + QStringLiteral("};Server=") + odbcValue(s.server) +
           QStringLiteral(";Database=") + odbcValue(catalogue) + QStringLiteral(";UID=") + odbcValue(s.user) +
           QStringLiteral(";PWD=") + odbcValue(s.password) + QLatin1Char(';');
}

QString SupervisionDb::sqlitePath(const QString& installFolder, const QString& catalogue) {
    return QDir(installFolder).filePath(QStringLiteral("database/") + catalogue + QStringLiteral(".mdf"));
}

bool SupervisionDb::isOpen(Which which) const {
    const QString& name = nameOf(which);
    return !name.isEmpty() && QSqlDatabase::database(name, false).isOpen();
}

void SupervisionDb::drop(Which which) {
    // A query must not outlive its connection.
    m_prepared[which == Which::Acquired ? 0 : 1].clear();
    QString& name = nameOf(which);
    if (name.isEmpty())
        return;
    SqlConnection::remove(name);
    name.clear();
}

void SupervisionDb::open(Which which, std::chrono::milliseconds budget) {
    drop(which);
    const QString catalogue = which == Which::Acquired ? acquiredCatalogue : configCatalogue;
    const QString name =
        SqlConnection::uniqueName(which == Which::Acquired ? QStringLiteral("db") : QStringLiteral("dbConf"));
    nameOf(which) = name;
    if (m_settings.engine == DbEngine::Sqlite) {
        // The files belong to the supervision system: a missing one is a server not there yet, and
        // opening it must never create it.
        const QString path = sqlitePath(m_installFolder ? m_installFolder() : QString(), catalogue);
        // Taken before the open: a file replaced in between is then seen as replaced, and opened again.
        fileOf(which) = {path, FileIdentity::of(path)};
        QSqlDatabase db = SqlConnection::openExistingSqlite(path, name);
        QSqlQuery q(db);
        // The journal mode is the owner's choice, and a change would outlive the agent: it is left as
        // it is. A file that is not a database fails here rather than at the first statement.
        if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const AgentError mapped = DbErrorMap::fromSqlError(m_settings.engine, q.lastError(), &q);
            throw AgentError(AgentError::Unspecified, mapped.description());
        }
        applySqliteTimeout(which);
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
    // Bounds each attempt, so the retry window is not swallowed by one hanging login, and the last one
    // ends with the window.
    const qint64 loginSeconds =
        std::clamp<qint64>(std::chrono::ceil<std::chrono::seconds>(budget).count(), 1, 10);
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%2")
                             .arg(loginSeconds)
                             .arg(timeoutOf(which).count()));
    db.setDatabaseName(odbcConnectionString(m_settings, catalogue) + tdsVersionPin(m_settings.odbcDriver));
    if (!db.open()) {
        const AgentError mapped = DbErrorMap::fromSqlError(m_settings.engine, db.lastError());
        throw AgentError(AgentError::Unspecified, mapped.description());
    }
}

bool SupervisionDb::ConectaConDB() {
    QElapsedTimer started;
    started.start();
    const QString driver = driverOf(m_settings.engine);
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        // Waiting cannot make a driver appear.
        const QString text = QStringLiteral("No está disponible el controlador de base de datos ") + driver +
                             QStringLiteral(" (paquete ") + packageOf(m_settings.engine) +
                             QStringLiteral(")");
        m_log.write(text);
        m_dialogs.message(Dialogs::Icon::Critical, QStringLiteral("Vorn-Net"), text);
        return false;
    }
    m_connectionsExist = true;
    for (Which which : {Which::Acquired, Which::Config}) {
        for (;;) {
            if (m_aborted)
                return false;
            try {
                open(which, m_retryWindow - std::chrono::milliseconds(started.elapsed()));
                break;
            } catch (const AgentError& e) {
                drop(which);
                if (m_aborted)
                    return false;
                const std::chrono::milliseconds elapsed{started.elapsed()};
                if (elapsed >= m_retryWindow) {
                    // The fixed log line and message say that it failed; the driver's words say why.
                    qCWarning(lcDb).noquote() << "no se ha podido abrir" << targetOf(which) << "en"
                                              << elapsed.count() << "ms:" << e.description();
                    m_log.databaseTimeout();
                    m_dialogs.message(Dialogs::Icon::Critical, QStringLiteral("Vorn-Net"), timeoutText);
                    return false;
                }
                m_retryWait.until([this] { return m_aborted; },
                                  std::min(m_retryPause, m_retryWindow - elapsed));
            }
        }
    }
    return true;
}

void SupervisionDb::abort() {
    m_aborted = true;
    m_retryWait.wake();
}

QString SupervisionDb::targetOf(Which which) const {
    const QString catalogue = which == Which::Acquired ? acquiredCatalogue : configCatalogue;
    if (m_settings.engine == DbEngine::Sqlite)
        return QDir::toNativeSeparators(
            sqlitePath(m_installFolder ? m_installFolder() : QString(), catalogue));
    return QStringLiteral("%1 en %2 (controlador ODBC %3, usuario %4)")
        .arg(catalogue, m_settings.server, m_settings.odbcDriver, m_settings.user);
}

QString SupervisionDb::targetText() const {
    return (m_settings.engine == DbEngine::Sqlite ? QStringLiteral("sqlite ") : QStringLiteral("odbc ")) +
           targetOf(Which::Acquired) + QStringLiteral(" y ") + targetOf(Which::Config);
}

std::optional<SupervisionDb::FileIdentity> SupervisionDb::FileIdentity::of(const QString& path) {
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
}

void SupervisionDb::requireSameFiles() const {
    if (m_settings.engine != DbEngine::Sqlite)
        return;
    for (Which which : {Which::Acquired, Which::Config}) {
        const OpenedFile& opened = fileOf(which);
        if (nameOf(which).isEmpty() || opened.path.isEmpty())
            continue;
        const std::optional<FileIdentity> now = FileIdentity::of(opened.path);
        if (now == opened.identity)
            continue;
        // The connection still reads the file it opened, deleted or moved by now: new alarms would never
        // be seen. Reopened as for a lost connection.
        throw AgentError(AgentError::Unspecified,
                         (now ? QStringLiteral("El fichero %1 ha sido sustituido: se vuelve a abrir")
                              : QStringLiteral("El fichero %1 ya no está: se vuelve a abrir"))
                             .arg(QDir::toNativeSeparators(opened.path)));
    }
}

bool SupervisionDb::reconnect() {
    close();
    return ConectaConDB();
}

void SupervisionDb::close() {
    drop(Which::Acquired);
    drop(Which::Config);
    m_connectionsExist = false;
}

QList<QSqlRecord> SupervisionDb::select(Which which, const QString& statement) {
    if (!isOpen(which))
        throw AgentError(AgentError::Unspecified,
                         QStringLiteral("La conexión con la base de datos no está abierta"));
    if (m_settings.engine != DbEngine::Odbc)
        return SqlConnection::select(QSqlDatabase::database(nameOf(which), false), m_settings.engine,
                                     statement);
    QSqlQuery q(QSqlDatabase::database(nameOf(which), false));
    q.setForwardOnly(true);
    runBounded(q, statement, timeoutOf(which));
    QList<QSqlRecord> rows;
    while (q.next())
        rows.append(q.record());
    if (q.lastError().isValid())
        throw DbErrorMap::fromSqlError(m_settings.engine, q.lastError(), &q);
    return rows;
}

qint64 SupervisionDb::countRows(Which which, const QString& statement) {
    if (!isOpen(which))
        throw AgentError(AgentError::Unspecified,
                         QStringLiteral("La conexión con la base de datos no está abierta"));
    QSqlQuery q(QSqlDatabase::database(nameOf(which), false));
    q.setForwardOnly(true);
    if (m_settings.engine == DbEngine::Odbc)
        runBounded(q, statement, timeoutOf(which));
    else if (!q.exec(statement))
        throw DbErrorMap::fromSqlError(m_settings.engine, q.lastError(), &q);
    qint64 rows = 0;
    while (q.next())
        ++rows;
    if (q.lastError().isValid())
        throw DbErrorMap::fromSqlError(m_settings.engine, q.lastError(), &q);
    return rows;
}

QList<QSqlRecord> SupervisionDb::lookup(Which which, const QString& statement) {
    if (!isOpen(which))
        throw AgentError(AgentError::Unspecified,
                         QStringLiteral("La conexión con la base de datos no está abierta"));
    QHash<QString, std::shared_ptr<QSqlQuery>>& prepared = m_prepared[which == Which::Acquired ? 0 : 1];
    std::shared_ptr<QSqlQuery> q = prepared.value(statement);
    if (!q) {
        if (prepared.size() >= maxPrepared)
            prepared.clear();
        q = std::make_shared<QSqlQuery>(QSqlDatabase::database(nameOf(which), false));
        q->setForwardOnly(true);
        if (!q->prepare(statement))
            throw DbErrorMap::fromSqlError(m_settings.engine, q->lastError(), q.get());
        if (m_settings.engine == DbEngine::Odbc && !setQueryTimeout(*q, timeoutOf(which)))
            qCWarning(lcDb) << "el controlador no admite tiempo límite; la sentencia corre sin límite:"
                            << statement;
        prepared.insert(statement, q);
    }
    QList<QSqlRecord> rows;
    bool ok = q->exec();
    while (ok && q->next())
        rows.append(q->record());
    ok = ok && !q->lastError().isValid();
    if (!ok) {
        const AgentError error = DbErrorMap::fromSqlError(m_settings.engine, q->lastError(), q.get());
        prepared.remove(statement);
        throw error;
    }
    // Done with the rows: the statement lets go of what it holds on the database until the next call.
    q->finish();
    return rows;
}

QList<QSqlRecord> SupervisionDb::exec(Which which, const QString& statement) {
    if (!isOpen(which))
        throw AgentError(AgentError::Unspecified,
                         QStringLiteral("La conexión con la base de datos no está abierta"));
    QSqlQuery q(QSqlDatabase::database(nameOf(which), false));
    bool ran = false;
    if (m_settings.engine == DbEngine::Odbc) {
        // Prepared, so that the time-out can be set on the statement before it runs.
        if (!q.prepare(statement))
            throw DbErrorMap::fromSqlError(m_settings.engine, q.lastError(), &q);
        if (!setQueryTimeout(q, timeoutOf(which)))
            qCWarning(lcDb) << "el controlador no admite tiempo límite; la sentencia corre sin límite:"
                            << statement;
        ran = q.exec();
    } else {
        ran = q.exec(statement);
    }
    if (!ran)
        throw DbErrorMap::fromSqlError(m_settings.engine, q.lastError(), &q);
    // PRAGMA and check statements answer with rows; read them so the statement runs to its end.
    QList<QSqlRecord> rows;
    while (q.isSelect() && q.next())
        rows.append(q.record());
    return rows;
}

void SupervisionDb::setCommandTimeout(Which which, std::chrono::seconds timeout) {
    timeoutOf(which) = std::max(timeout, std::chrono::seconds(0));
    if (m_settings.engine == DbEngine::Sqlite && isOpen(which))
        applySqliteTimeout(which);
}

void SupervisionDb::applySqliteTimeout(Which which) {
    QSqlQuery q(QSqlDatabase::database(nameOf(which), false));
    const qint64 ms = std::chrono::milliseconds(timeoutOf(which)).count();
    if (!q.exec(QStringLiteral("PRAGMA busy_timeout = ") + QString::number(ms)))
        qCWarning(lcDb) << "no se puede fijar la espera por bloqueo:" << q.lastError().text();
}

std::optional<QString> SupervisionDb::plantName() {
    const QList<QSqlRecord> rows = select(Which::Config, m_sql.plantName());
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first().value(QStringLiteral("SetValue")).toString();
}

std::optional<QString> SupervisionDb::versionCaption() {
    try {
        const QList<QSqlRecord> version = select(Which::Config, m_sql.dbVersion());
        const QList<QSqlRecord> newest = select(Which::Acquired, m_sql.maxFlashAlarmId());
        if (version.isEmpty())
            return std::nullopt;
        // An empty table has no newest id; it cannot be shown as a whole number.
        if (newest.isEmpty() || newest.first().value(0).isNull() || version.first().count() < 2)
            return std::nullopt;
        bool ok = false;
        const double id = newest.first().value(0).toDouble(&ok);
        if (!ok)
            return std::nullopt;
        return QString::number(qRound64(id)) + QLatin1Char(':') + version.first().value(1).toString();
    } catch (const AgentError&) {
        return std::nullopt;
    }
}
