#include "supervision/SqlConnection.h"

#include "core/runtime/AgentError.h"
#include "supervision/DbErrorMap.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <atomic>

namespace SqlConnection {

QString uniqueName(const QString& role) {
    static std::atomic<int> counter{0};
    return QStringLiteral("vornnet-") + role + QLatin1Char('-') + QString::number(++counter);
}

void remove(const QString& name) {
    if (name.isEmpty() || !QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    } // the handle must be gone before the name is removed
    QSqlDatabase::removeDatabase(name);
}

QSqlDatabase openExistingSqlite(const QString& path, const QString& name) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        throw AgentError(AgentError::Unspecified,
                         QStringLiteral("No está disponible el controlador de base de datos QSQLITE (paquete "
                                        "libqt6sql6-sqlite)"));
    if (!QFileInfo(path).isFile())
        throw AgentError(AgentError::Unspecified,
                         QStringLiteral("No existe ") + QDir::toNativeSeparators(path));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
                       QStringLiteral("?mode=rw"));
    if (!db.open())
        throw DbErrorMap::fromSqlError(DbEngine::Sqlite, db.lastError());
    return db;
}

QList<QSqlRecord> select(const QSqlDatabase& db, DbEngine engine, const QString& statement) {
    QList<QSqlRecord> rows;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(statement))
        throw DbErrorMap::fromSqlError(engine, q.lastError(), &q);
    while (q.next())
        rows.append(q.record());
    if (q.lastError().isValid())
        throw DbErrorMap::fromSqlError(engine, q.lastError(), &q);
    return rows;
}

} // namespace SqlConnection
