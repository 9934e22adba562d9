#include "forwarding/BufferDb.h"

#include "core/AgentError.h"
#include "core/AgentLocale.h"
#include "core/DbErrorMap.h"
#include "core/Diagnostics.h"
#include "core/Dialogs.h"
#include "core/SqlConnection.h"
#include "core/SupervisionSql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString dateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

const char* const schema[] = {
    "CREATE TABLE alarms (id INTEGER PRIMARY KEY AUTOINCREMENT, device TEXT, alarm TEXT, date TEXT, "
    "beginend TEXT)",
    "CREATE INDEX IX_alarms_date ON alarms (date)",
};

} // namespace

BufferDb::BufferDb(QString path, Dialogs& dialogs) : m_path(std::move(path)), m_dialogs(dialogs) {
}

BufferDb::~BufferDb() {
    close();
}

QString BufferDb::pathIn(const QString& programFolder) {
    return QDir(programFolder).filePath(fileName);
}

void BufferDb::open() {
    close();
    const QString where = QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath());
    if (!QFileInfo::exists(m_path)) {
        // The user's message stays "No se encuentra buffer.mdb"; this says where and how to make one.
        qCWarning(lcBuffer).noquote()
            << where << "no existe; se crea uno vacío con: vornnet --create-buffer --folder"
            << QDir::toNativeSeparators(QFileInfo(m_path).absolutePath());
        throw AgentError(AgentError::Unspecified, QStringLiteral("No existe ") + where);
    }
    m_connection = SqlConnection::uniqueName(QStringLiteral("buffer-read"));
    try {
        QSqlDatabase db = SqlConnection::openExistingSqlite(m_path, m_connection);
        // A file that is not a buffer is as good as a missing one.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT id, device, alarm, date, beginend FROM alarms WHERE id = 0")))
            throw DbErrorMap::fromSqlError(DbEngine::Sqlite, q.lastError(), &q);
    } catch (const AgentError& e) {
        qCWarning(lcBuffer).noquote()
            << where << "no es una base de datos de buffer utilizable:" << e.description();
        close();
        throw;
    } catch (...) {
        close();
        throw;
    }
}

bool BufferDb::isOpen() const {
    return !m_connection.isEmpty() && QSqlDatabase::database(m_connection, false).isOpen();
}

void BufferDb::close() {
    if (m_connection.isEmpty())
        return;
    SqlConnection::remove(m_connection);
    m_connection.clear();
}

bool BufferDb::create(const QString& path, QString* error) {
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (QFileInfo::exists(path))
        return fail(QStringLiteral("Ya existe ") + QDir::toNativeSeparators(path) +
                    QStringLiteral("; no se modifica"));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(QStringLiteral("No está disponible el controlador de base de datos QSQLITE"));
    // Built beside the target and renamed into place, so a half-made buffer is never seen.
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    const QString name = SqlConnection::uniqueName(QStringLiteral("buffer-create"));
    QString why;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(temp);
        if (!db.open()) {
            why = db.lastError().text();
        } else {
            QSqlQuery q(db);
            for (const char* statement : schema) {
                if (!q.exec(QLatin1String(statement))) {
                    why = q.lastError().text();
                    break;
                }
            }
        }
    }
    SqlConnection::remove(name);
    if (why.isEmpty() && !QFile::rename(temp, path))
        why = QStringLiteral("No se puede crear ") + QDir::toNativeSeparators(path);
    if (!why.isEmpty()) {
        QFile::remove(temp);
        return fail(why);
    }
    return true;
}

bool BufferDb::PonEnBuffer(const QString& device, const QString& alarm, const QString& inifin,
                           const QDateTime& timestamp) {
    const QString name = SqlConnection::uniqueName(QStringLiteral("buffer-insert"));
    QString why;
    try {
        QSqlDatabase db = SqlConnection::openExistingSqlite(m_path, name);
        QSqlQuery q(db);
        if (!q.prepare(
                QStringLiteral("INSERT INTO alarms (device, alarm, date, beginend) VALUES (?, ?, ?, ?)")))
            throw DbErrorMap::fromSqlError(DbEngine::Sqlite, q.lastError(), &q);
        q.addBindValue(device);
        q.addBindValue(alarm);
        q.addBindValue(timestamp.toString(dateFormat));
        q.addBindValue(inifin);
        if (!q.exec())
            throw DbErrorMap::fromSqlError(DbEngine::Sqlite, q.lastError(), &q);
    } catch (const AgentError& e) {
        why = e.description();
    }
    SqlConnection::remove(name);
    if (why.isEmpty())
        return true;
    m_dialogs.message(errorTitle + QStringLiteral("\n\n") + QStringLiteral("Device:") + device +
                      QStringLiteral(" Alarm:") + alarm + QStringLiteral("\n") + QStringLiteral("Inifin:") +
                      inifin + QStringLiteral(" Date:") + AgentLocale::dateTimeText(timestamp) +
                      QStringLiteral("\n\n") + why);
    return false;
}

QString BufferDb::rowsAfterSql(qint64 position, const QDateTime& cutoff, int limit) {
    // The Jet form was "SELECT * FROM Alarms WHERE  Id > n And date > #yyyy/mm/dd hh:mm:ss#", relying on
    // the table's natural order; dates here are text that sorts as time does, and the order is stated.
    return QStringLiteral("SELECT * FROM alarms WHERE id > ") + QString::number(position) +
           QStringLiteral(" AND date > '") + cutoff.toString(dateFormat) + QStringLiteral("' ORDER BY id") +
           (limit > 0 ? QStringLiteral(" LIMIT ") + QString::number(limit) : QString());
}

QList<BufferRow> BufferDb::rowsAfter(qint64 position, const QDateTime& cutoff, int limit) {
    if (!isOpen())
        throw AgentError(AgentError::Unspecified,
                         QStringLiteral("La base de datos buffer.mdb no está abierta"));
    QList<BufferRow> rows;
    const auto records = SqlConnection::select(QSqlDatabase::database(m_connection, false), DbEngine::Sqlite,
                                               rowsAfterSql(position, cutoff, limit));
    for (const QSqlRecord& r : records) {
        rows.append({r.value(QStringLiteral("id")).toLongLong(), r.value(QStringLiteral("device")).toString(),
                     r.value(QStringLiteral("alarm")).toString(),
                     SupervisionSql::toDateTime(r.value(QStringLiteral("date"))),
                     r.value(QStringLiteral("beginend")).toString()});
    }
    return rows;
}
