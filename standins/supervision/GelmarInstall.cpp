#include "GelmarInstall.h"

#include "SchemaSql.h"
#include "core/settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

const QStringList GelmarInstall::residentServers = {
    QStringLiteral("KOBSERVER.EXE"), QStringLiteral("PLXSERVER.EXE"), QStringLiteral("VQM.EXE")};
const QStringList GelmarInstall::executables = {QStringLiteral("GSNET.EXE"), QStringLiteral("KOBSERVER.EXE"),
                                                QStringLiteral("PLXSERVER.EXE"), QStringLiteral("VQM.EXE"),
                                                QStringLiteral("VORNDATA.exe")};

namespace {

// One named connection for the length of a scope; the handle is dropped before the name is removed.
class ScopedDb {
public:
    explicit ScopedDb(const QString& path) {
        static std::atomic<int> counter{0};
        m_name = QStringLiteral("gelmar-sim-") + QString::number(++counter);
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        m_db.setDatabaseName(path);
    }
    ~ScopedDb() {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase& db() { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

bool run(QSqlQuery& q, const QString& statement, QString* error) {
    if (q.exec(statement))
        return true;
    return fail(error, statement + QStringLiteral(": ") + q.lastError().text());
}

// argv[0] of a process, or empty when it has gone or cannot be read.
QString firstArgument(const QString& pid) {
    QFile f(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    return QString::fromLocal8Bit(all.left(all.indexOf('\0')));
}

} // namespace

QList<qint64> GelmarInstall::runningFrom(const QString& dir, const QString& name) {
    QList<qint64> pids;
    const QString folder = QFileInfo(dir).absoluteFilePath();
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : entries) {
        bool numeric = false;
        const qint64 n = pid.toLongLong(&numeric);
        if (!numeric)
            continue;
        const QString arg0 = firstArgument(pid);
        if (arg0.isEmpty())
            continue;
        // A relative argv[0] names a file in the process's working folder.
        const QString cwd =
            QFileInfo(QStringLiteral("/proc/") + pid + QStringLiteral("/cwd")).symLinkTarget();
        const QFileInfo exe(arg0.startsWith(QLatin1Char('/')) ? arg0 : QDir(cwd).filePath(arg0));
        if (exe.fileName().compare(name, Qt::CaseInsensitive) == 0 && exe.absolutePath() == folder)
            pids.append(n);
    }
    return pids;
}

QString GelmarInstall::schemaText() {
    return QString::fromUtf8(gelmarSchemaSql);
}

QStringList GelmarInstall::schemaStatements(const QString& catalogue) {
    static const QString marker = QStringLiteral("-- database:");
    QStringList statements;
    QString current;
    bool inSection = false;
    for (const QString& line : schemaText().split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (t.startsWith(marker)) {
            inSection = t.mid(marker.size()).trimmed() == catalogue;
            continue;
        }
        if (!inSection || t.startsWith(QLatin1String("--")) || (t.isEmpty() && current.isEmpty()))
            continue;
        current += line + QLatin1Char('\n');
        if (t.endsWith(QLatin1Char(';'))) {
            statements.append(current.trimmed().chopped(1));
            current.clear();
        }
    }
    return statements;
}

QString GelmarInstall::databasePath(const QString& dir, const QString& catalogue) {
    return QDir(dir).filePath(QStringLiteral("database/") + catalogue + QStringLiteral(".mdf"));
}

QString GelmarInstall::gsIniPath(const QString& dir) {
    return QDir(dir).filePath(QStringLiteral("GS.INI"));
}

QString GelmarInstall::faultsPath(const QString& dir) {
    return QDir(dir).filePath(QStringLiteral("gelmar-sim.ini"));
}

bool GelmarInstall::createDatabase(const QString& path, const QString& catalogue, QString* error) {
    if (QFileInfo::exists(path))
        return fail(error, QStringLiteral("already exists: ") + path);
    const QStringList statements = schemaStatements(catalogue);
    if (statements.isEmpty())
        return fail(error, QStringLiteral("schema.sql has no section for ") + catalogue);
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    bool ok = true;
    {
        ScopedDb s(temp);
        if (!s.db().open()) {
            ok = fail(error, s.db().lastError().text());
        } else {
            QSqlQuery q(s.db());
            ok = run(q, QStringLiteral("PRAGMA journal_mode=WAL"), error);
            for (const QString& st : statements)
                ok = ok && run(q, st, error);
        }
    }
    // Closing the last connection folds the WAL back, so the file is complete on its own.
    if (ok && !QFile::rename(temp, path))
        ok = fail(error, QStringLiteral("cannot rename into ") + path);
    if (!ok)
        QFile::remove(temp);
    return ok;
}

bool GelmarInstall::fillConfig(const QString& path, const QString& plant, QString* error) {
    ScopedDb s(path);
    if (!s.db().open())
        return fail(error, s.db().lastError().text());
    QSqlQuery q(s.db());
    bool ok = run(q, QStringLiteral("BEGIN"), error);
    auto insert = [&](const QString& statement, const QVariantList& values) {
        if (!ok)
            return;
        q.prepare(statement);
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (!q.exec())
            ok = fail(error, statement + QStringLiteral(": ") + q.lastError().text());
    };
    // Sample rows: their ids and codes are data, not names.
    // NOLINTBEGIN(readability-magic-numbers)
    const QString setting = QStringLiteral("INSERT INTO GenericSettings (Name, SetValue) VALUES (?, ?)");
    insert(setting, {QStringLiteral("PlantName"), plant});
    insert(setting, {QStringLiteral("DB_VERSION"), QStringLiteral("7.3.2")});
    const QString instrument =
        QStringLiteral("INSERT INTO VirtualInstruments (ID_virtualinstrument, Name) VALUES (?, ?)");
    insert(instrument, {1, QStringLiteral("Depósito Norte")});
    insert(instrument, {2, QStringLiteral("Bomba 2")});
    insert(instrument, {3, QStringLiteral("Clorador")});
    insert(instrument, {4, QStringLiteral("Caudalímetro entrada")});
    const QString resource = QStringLiteral(
        "INSERT INTO VirtualResources (Ref_IDVirtualInstr, EventAlarmCode, Name) VALUES (?, ?, ?)");
    insert(resource, {1, 10, QStringLiteral("Nivel alto")});
    insert(resource, {1, 11, QStringLiteral("Nivel bajo")});
    insert(resource, {2, 20, QStringLiteral("Fallo térmico")});
    insert(resource, {3, 30, QStringLiteral("Cloro|bajo")});
    insert(resource, {4, 40, QStringLiteral("Caudal nulo")});
    // NOLINTEND(readability-magic-numbers)
    if (ok)
        ok = run(q, QStringLiteral("COMMIT"), error);
    return ok;
}

bool GelmarInstall::createDatabases(const QString& dir, const QString& plant, QString* error) {
    if (!QDir(dir).mkpath(QStringLiteral("database")))
        return fail(error, QStringLiteral("cannot create ") + dir + QStringLiteral("/database"));
    const QString acquiredPath = databasePath(dir, acquired);
    if (!QFileInfo::exists(acquiredPath) && !createDatabase(acquiredPath, acquired, error))
        return false;
    const QString configPath = databasePath(dir, config);
    if (QFileInfo::exists(configPath))
        return true;
    // Filled before it is moved into place: an agent never sees a configuration without its rows.
    const QString temp = QDir(dir).filePath(QStringLiteral("database/config.filling"));
    QFile::remove(temp);
    if (!createDatabase(temp, config, error) || !fillConfig(temp, plant, error) ||
        !QFile::rename(temp, configPath)) {
        QFile::remove(temp);
        return error && !error->isEmpty() ? false
                                          : fail(error, QStringLiteral("cannot create ") + configPath);
    }
    return true;
}

bool GelmarInstall::install(const QString& dir, const QString& plant, const QString& executable,
                            QString* error) {
    if (!QDir().mkpath(dir))
        return fail(error, QStringLiteral("cannot create ") + dir);
    for (const QString& name : executables) {
        const QString link = QDir(dir).filePath(name);
        if (!QFileInfo(link).isSymLink() && !QFileInfo::exists(link) && !QFile::link(executable, link))
            return fail(error, QStringLiteral("cannot link ") + link);
    }
    if (!QFileInfo::exists(gsIniPath(dir)) && !EscribeIni(gsIniPath(dir), QStringLiteral("STATUS"),
                                                          QStringLiteral("acquisition"), QStringLiteral("0")))
        return fail(error, QStringLiteral("cannot write ") + gsIniPath(dir));
    return createDatabases(dir, plant, error);
}

qint64 GelmarInstall::addAlarm(const QString& dir, qint64 code, const QString& instrument, int state,
                               const QDateTime& time, QString* error) {
    const QString path = databasePath(dir, acquired);
    if (!QFileInfo(path).isFile()) {
        fail(error, QStringLiteral("no database at ") + path);
        return -1;
    }
    ScopedDb s(path);
    if (!s.db().open()) {
        fail(error, s.db().lastError().text());
        return -1;
    }
    QSqlQuery q(s.db());
    q.prepare(QStringLiteral("INSERT INTO FlashAlarms (Alarmcode, Ref_virtinstrumentid, TimeStamp, "
                             "AlarmState) VALUES (?, ?, ?, ?)"));
    q.addBindValue(code);
    q.addBindValue(instrument);
    q.addBindValue(time.toString(dateFormat));
    q.addBindValue(state ? 1 : 0);
    if (!q.exec()) {
        fail(error, q.lastError().text());
        return -1;
    }
    return q.lastInsertId().toLongLong();
}
