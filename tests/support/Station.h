#pragma once

#include "standins/QuarnCenterProcess.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <memory>

// A quarn-center process with its own record file and mode file, for whole-process tests.
struct Station {
    QTemporaryDir dir;
    QString record = dir.filePath(QStringLiteral("record"));
    QString modeFile = dir.filePath(QStringLiteral("mode"));
    std::unique_ptr<QuarnCenterProcess> process;
    quint16 port = 0;

    // On a free port, or on the port it had before (a station that comes back).
    bool start(QStringList extra = {}) {
        setMode("echo");
        process = std::make_unique<QuarnCenterProcess>();
        const QString on = QString::number(port);
        if (!process->start(QStringList{QStringLiteral("--port"), on, QStringLiteral("--record"), record,
                                        QStringLiteral("--mode-file"), modeFile} +
                            extra))
            return false;
        port = process->port();
        return true;
    }
    bool stop() { return process && process->stop(); }
    qint64 pid() const { return process ? process->pid() : 0; }
    // Whole or not at all: the station reads the file on every connection.
    void setMode(const QByteArray& mode) const {
        QSaveFile f(modeFile);
        f.open(QIODevice::WriteOnly);
        f.write(mode);
        f.commit();
    }
    QByteArray recorded() const {
        QFile f(record);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The ALARM messages recorded, as raw bytes, in the order received.
    QList<QByteArray> alarms() const {
        QList<QByteArray> alarms;
        for (const QByteArray& line : recorded().split('\n'))
            if (line.contains("##ALARM##"))
                alarms << line;
        return alarms;
    }
};
