#pragma once

#include "core/runtime/BoundedWait.h"
#include "support/FileText.h"
#include "support/Poll.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

// A quarn-center process for one test, with its own record file and mode file: ready once it has printed
// the port it listens on, terminated when the object goes.
struct Station {
    QTemporaryDir dir;
    QString record = dir.filePath(QStringLiteral("record"));
    QString modeFile = dir.filePath(QStringLiteral("mode"));
    QProcess process;
    BoundedWait wait;
    quint16 port = 0;

    Station() {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &wait, &BoundedWait::wake);
        QObject::connect(&process, &QProcess::finished, &wait, &BoundedWait::wake);
    }
    ~Station() { stop(); }

    // On a free port, or on the port it had before (a station that comes back); waits (bounded) for its
    // "listening on P" line, false if it never came.
    bool start(QStringList extra = {}) {
        stop();
        setMode("echo");
        process.start(QStringLiteral(VORNNET_BUILD_DIR "/standins/central/quarn-center"),
                      QStringList{QStringLiteral("--port"), QString::number(port), QStringLiteral("--record"),
                                  record, QStringLiteral("--mode-file"), modeFile} +
                          extra);
        static const QRegularExpression ready(QStringLiteral("^listening on (\\d+)$"),
                                              QRegularExpression::MultilineOption);
        QByteArray output;
        quint16 listening = 0;
        wait.until(
            [&] {
                output += process.readAllStandardOutput();
                const auto match = ready.match(QString::fromLatin1(output));
                if (match.hasMatch())
                    listening = match.captured(1).toUShort();
                return listening != 0 || process.state() == QProcess::NotRunning;
            },
            std::chrono::seconds(5));
        if (listening)
            port = listening;
        return listening != 0;
    }
    // SIGTERM and a bounded wait for the end (SIGKILL after it); true when it ended normally with status 0.
    bool stop() { return endProcess(process); }
    // Whole or not at all: the station reads the file on every connection.
    void setMode(const QByteArray& mode) const { replaceFile(modeFile, mode); }
    QByteArray recorded() const { return readFile(record); }
    // The ALARM messages recorded, as raw bytes, in the order received.
    QList<QByteArray> alarms() const {
        QList<QByteArray> alarms;
        for (const QByteArray& line : recorded().split('\n'))
            if (line.contains("##ALARM##"))
                alarms << line;
        return alarms;
    }
};
