#pragma once

#include "core/BoundedWait.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>

// The real vornnet executable, started by a test and never left running after it.
class AgentProcess {
public:
    static QString executable() { return QStringLiteral(VORNNET_BUILD_DIR "/src/app/vornnet"); }

    explicit AgentProcess(QStringList args,
                          const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        process.setProcessEnvironment(env);
        process.setProgram(executable());
        process.setArguments(args);
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { out += process.readAllStandardOutput(); });
        QObject::connect(&process, &QProcess::readyReadStandardError,
                         [this] { err += process.readAllStandardError(); });
    }
    ~AgentProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    bool start() {
        process.start();
        return process.waitForStarted(5000);
    }
    // Waits, letting events run, until standard output holds text.
    bool waitOutput(const QString& text, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        BoundedWait wait;
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &wait, &BoundedWait::wake);
        return wait.until([&] { return QString::fromUtf8(out).contains(text); }, limit);
    }
    bool waitFinished(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        BoundedWait wait;
        QObject::connect(&process, &QProcess::finished, &wait, &BoundedWait::wake);
        return wait.until([&] { return process.state() == QProcess::NotRunning; }, limit);
    }
    void terminate() { process.terminate(); }

    // Peak resident memory in KiB (VmHWM), read while the process runs; -1 when it can not be read.
    qint64 peakMemoryKb() const {
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        return -1;
    }

    QProcess process;
    QByteArray out;
    QByteArray err;
};
