#pragma once

#include "core/BoundedWait.h"

#include <QProcess>
#include <QRegularExpression>

// A quarn-center started for one test: ready once it has printed the port it listens on, terminated
// when the object goes.
class QuarnCenterProcess {
public:
    static QString program() { return QStringLiteral(VORNNET_BUILD_DIR "/standins/central/quarn-center"); }

    ~QuarnCenterProcess() {
        if (m_process.state() != QProcess::NotRunning && !stop())
            m_process.kill();
    }

    // Starts it and waits (bounded) for its "listening on P" line; false if it never came.
    bool start(const QStringList& args) {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_wait, &BoundedWait::wake);
        QObject::connect(&m_process, &QProcess::finished, &m_wait, &BoundedWait::wake);
        m_process.start(program(), args);
        const QRegularExpression ready(QStringLiteral("^listening on (\\d+)$"),
                                       QRegularExpression::MultilineOption);
        m_wait.until(
            [&] {
                m_output += m_process.readAllStandardOutput();
                const auto match = ready.match(QString::fromLatin1(m_output));
                if (match.hasMatch())
                    m_port = match.captured(1).toUShort();
                return m_port != 0 || m_process.state() == QProcess::NotRunning;
            },
            std::chrono::seconds(5));
        return m_port != 0;
    }

    // Sends SIGTERM and waits (bounded) for the end; true when it ended normally with status 0.
    bool stop() {
        m_process.terminate();
        m_wait.until([&] { return m_process.state() == QProcess::NotRunning; }, std::chrono::seconds(5));
        return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }

    quint16 port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
    BoundedWait m_wait;
    QByteArray m_output;
    quint16 m_port = 0;
};
