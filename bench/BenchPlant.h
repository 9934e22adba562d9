#pragma once

#include <QByteArrayList>
#include <QString>
#include <QTemporaryDir>

// A whole installation for one figure: the supervision stand-in's folder (links to gelmar-sim, GS.INI, the
// two SQLite databases), the agent's program folder (vornnet.ini on the SQLite engine, an empty buffer)
// and a folder for its logs.
class BenchPlant {
public:
    static inline const QString plantName = QStringLiteral("Depuradora Banco");

    explicit BenchPlant(const QString& gelmarSim);
    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    QString program() const { return m_root.filePath(QStringLiteral("agent")); }
    QString gelmar() const { return m_root.filePath(QStringLiteral("gelmar")); }
    QString logs() const { return m_root.filePath(QStringLiteral("logs")); }

    void config(const QString& key, const QString& value) const;
    // Link "" (primary), "A" or "B" to 127.0.0.1:port.
    void point(const QString& link, quint16 port) const;
    // n entries in section EXCLUDE that match none of the plant's alarms.
    void exclude(int n) const;

    // n alarms of the plant's configured codes, one second apart up to a minute ago, in one transaction.
    // Returns the id of the last; the first is last - n + 1.
    qint64 addAlarms(int n);
    // The messages the agent sends for the last n alarms added, as they go on the wire.
    QByteArrayList wireOfLast(int n) const;

    void setPosition(qint64 id) const;
    qint64 position() const;

private:
    QTemporaryDir m_root;
    QString m_error;
    struct Added {
        qint64 code;
        int state;
        QString time;
    };
    QList<Added> m_added;
};
