#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

// A connection of its own to an SQLite file, as another process (the supervision system, a restore, a
// locking writer) would hold one. Each has its own name, so several may be open at once, in any thread.
class SideConnection {
public:
    explicit SideConnection(const QString& file, int busyMs = 5000)
        : m_name(QStringLiteral("side-%1").arg(++counter())) {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
        m_db.setDatabaseName(file);
        m_db.open();
    }
    ~SideConnection() {
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    SideConnection(const SideConnection&) = delete;
    SideConnection& operator=(const SideConnection&) = delete;

    QSqlDatabase& db() { return m_db; }
    // One statement, the values bound in order: the first value it selects, true when it selects nothing,
    // or an invalid value when it fails (error() then says why).
    QVariant run(const QString& statement, const QVariantList& values = {}) {
        QSqlQuery q(m_db);
        bool ok = m_db.isOpen() && q.prepare(statement);
        for (const QVariant& v : values)
            q.addBindValue(v);
        ok = ok && q.exec();
        m_error = ok ? QString() : (m_db.isOpen() ? q.lastError() : m_db.lastError()).text();
        return !ok ? QVariant() : q.next() ? q.value(0) : QVariant(true);
    }
    // Rows through one prepared statement, each row's values bound in order, in one transaction; the ids
    // of the rows that went in (a row that fails is left out, and the rest still go).
    QList<qint64> insert(const QString& statement, const QList<QVariantList>& rows) {
        QList<qint64> ids;
        QSqlQuery q(m_db);
        if (!m_db.transaction() || !q.prepare(statement))
            return ids;
        for (const QVariantList& row : rows) {
            for (const QVariant& v : row)
                q.addBindValue(v);
            if (q.exec())
                ids << q.lastInsertId().toLongLong();
        }
        m_db.commit();
        return ids;
    }
    const QString& error() const { return m_error; }

private:
    static std::atomic<int>& counter() {
        static std::atomic<int> n{0};
        return n;
    }
    QString m_name;
    QSqlDatabase m_db;
    QString m_error;
};

// One statement on a connection of its own (see SideConnection::run).
inline QVariant sqlite(const QString& file, const QString& statement, const QVariantList& values = {}) {
    return SideConnection(file).run(statement, values);
}
