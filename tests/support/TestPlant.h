#pragma once

#include "GelmarInstall.h"
#include "core/settings/IniFile.h"
#include "forwarding/BufferDb.h"
#include "support/SideSql.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// A program folder ready for the agent: a supervision installation made in-process (the stand-in's own
// layout, SQLite databases), vornnet.ini pointing at it with the SQLite engine, and an empty buffer.
struct TestPlant {
    QTemporaryDir root;
    QString program = root.filePath(QStringLiteral("agent"));
    QString gelmar = root.filePath(QStringLiteral("gelmar"));

    explicit TestPlant(const QString& plant = QStringLiteral("EDAR Norte"), bool withDatabases = true) {
        QDir().mkpath(program);
        QDir().mkpath(gelmar);
        QString error;
        if (withDatabases)
            GelmarInstall::createDatabases(gelmar, plant, &error);
        BufferDb::create(BufferDb::pathIn(program), &error);
        config(QStringLiteral("DbEngine"), QStringLiteral("sqlite"));
        config(QStringLiteral("pathGelmar"), gelmar);
    }

    // The acquired-data database's file.
    QString acquired() const { return GelmarInstall::databasePath(gelmar, GelmarInstall::acquired); }
    QString ini() const { return QDir(program).filePath(QStringLiteral("vornnet.ini")); }
    void config(const QString& key, const QString& value) const {
        EscribeIni(ini(), QStringLiteral("CONFIG"), key, value);
    }
    // A consistent copy of the acquired-data database (what the writer left in its journal included),
    // made in staging/database/ so that GelmarInstall can add alarms to it there.
    bool copyAcquired(const QString& staging) const {
        QDir().mkpath(QDir(staging).filePath(QStringLiteral("database")));
        const QString target = GelmarInstall::databasePath(staging, GelmarInstall::acquired);
        QFile::remove(target);
        return sqlite(acquired(), QStringLiteral("VACUUM INTO '%1'").arg(target)).isValid();
    }
    // The acquired-data file replaced by the one made in staging, as a restore does: the old file's
    // journal files go with it.
    bool replaceAcquired(const QString& staging) const {
        const QString file = acquired();
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            QFile::remove(file + QLatin1String(suffix));
        QFile::remove(file);
        return QFile::rename(GelmarInstall::databasePath(staging, GelmarInstall::acquired), file);
    }

    qint64 addAlarm(qint64 code, const QString& instrument, int state, const QDateTime& time) const {
        QString error;
        return GelmarInstall::addAlarm(gelmar, code, instrument, state, time, &error);
    }
};
