#pragma once

#include "GelmarInstall.h"
#include "core/IniFile.h"
#include "forwarding/BufferDb.h"

#include <QDir>
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

    QString ini() const { return QDir(program).filePath(QStringLiteral("vornnet.ini")); }
    void config(const QString& key, const QString& value) const {
        IniFile::write(ini(), QStringLiteral("CONFIG"), key, value);
    }
    qint64 addAlarm(qint64 code, const QString& instrument, int state, const QDateTime& time) const {
        QString error;
        return GelmarInstall::addAlarm(gelmar, code, instrument, state, time, &error);
    }
};
