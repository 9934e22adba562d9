#include "forwarding/BufferDb.h"

#include "core/model/Dialogs.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/Diagnostics.h"
#include "core/runtime/EventLog.h"
#include "core/text/AgentLocale.h"
#include "supervision/DbErrorMap.h"
#include "supervision/SqlConnection.h"
#include "supervision/SupervisionSql.h"

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
    const Notice notice{device, alarm, inifin, timestamp};
    if (!storeHeld()) {
        // Behind notices still held: stored after them, never before. The box again only for a new cause.
        m_held.append(notice);
        tellHeld(notice, m_heldWhy, m_heldWhy != m_toldWhy);
        return false;
    }
    const QString why = insert(notice);
    if (why.isEmpty())
        return true;
    m_held.append(notice);
    tellHeld(notice, why, true);
    return false;
}

bool BufferDb::storeHeld() {
    while (!m_held.isEmpty()) {
        m_heldWhy = insert(m_held.first());
        if (!m_heldWhy.isEmpty())
            return false;
        const Notice stored = m_held.takeFirst();
        const QString text = QStringLiteral("Aviso guardado en el buffer tras no poder guardarse: ") +
                             stored.device + QLatin1Char(' ') + stored.alarm + QLatin1Char(' ') +
                             stored.inifin + QLatin1Char(' ') + AgentLocale::dateTimeText(stored.timestamp);
        qCInfo(lcBuffer).noquote() << text;
        if (m_log)
            m_log->write(text);
    }
    m_toldWhy.clear();
    return true;
}

QString BufferDb::insert(const Notice& n) {
    const QString name = SqlConnection::uniqueName(QStringLiteral("buffer-insert"));
    QString why;
    try {
        QSqlDatabase db = SqlConnection::openExistingSqlite(m_path, name);
        QSqlQuery q(db);
        if (!q.prepare(
                QStringLiteral("INSERT INTO alarms (device, alarm, date, beginend) VALUES (?, ?, ?, ?)")))
            throw DbErrorMap::fromSqlError(DbEngine::Sqlite, q.lastError(), &q);
        q.addBindValue(n.device);
        q.addBindValue(n.alarm);
        q.addBindValue(n.timestamp.toString(dateFormat));
        q.addBindValue(n.inifin);
        if (!q.exec())
            throw DbErrorMap::fromSqlError(DbEngine::Sqlite, q.lastError(), &q);
    } catch (const AgentError& e) {
        why = e.description();
    }
    SqlConnection::remove(name);
    return why;
}

void BufferDb::tellHeld(const Notice& n, const QString& why, bool box) {
    const QString text = QStringLiteral("Aviso no guardado en el buffer, retenido hasta poder guardarlo: ") +
                         n.device + QLatin1Char(' ') + n.alarm + QLatin1Char(' ') + n.inifin +
                         QLatin1Char(' ') + AgentLocale::dateTimeText(n.timestamp) + QStringLiteral(" (") +
                         why + QLatin1Char(')');
    qCWarning(lcBuffer).noquote() << text;
    if (m_log)
        m_log->write(text);
    if (!box)
        return;
    m_toldWhy = why;
    m_dialogs.message(errorTitle + QStringLiteral("\n\n") + QStringLiteral("Device:") + n.device +
                      QStringLiteral(" Alarm:") + n.alarm + QStringLiteral("\n") + QStringLiteral("Inifin:") +
                      n.inifin + QStringLiteral(" Date:") + AgentLocale::dateTimeText(n.timestamp) +
                      QStringLiteral("\n\n") + why);
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
