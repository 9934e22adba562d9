#pragma once

#include "core/runtime/BoundedWait.h"
#include "support/Poll.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

// A modem-sim started for one test: ready once it has printed the path of its serial side, switched by
// "mode WORD" commands on its standard input, terminated when the object goes.
class ModemSimProcess {
public:
    ModemSimProcess() {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_wait, &BoundedWait::wake);
        QObject::connect(&m_process, &QProcess::finished, &m_wait, &BoundedWait::wake);
    }
    ~ModemSimProcess() { endProcess(m_process); }

    // Starts it and waits (bounded) for the path line; false if it never came.
    bool start(const QStringList& args = {}) {
        m_process.start(QStringLiteral(VORNNET_BUILD_DIR "/standins/modem/modem-sim"), args);
        m_wait.until(
            [&] {
                m_output += m_process.readAllStandardOutput();
                return m_output.contains('\n') || m_process.state() == QProcess::NotRunning;
            },
            std::chrono::seconds(5));
        const qsizetype end = m_output.indexOf('\n');
        if (end < 0)
            return false;
        m_path = QString::fromLocal8Bit(m_output.left(end));
        m_output.remove(0, end + 1);
        return m_path.startsWith(QLatin1Char('/'));
    }

    // Switches the running modem and waits (bounded) for it to confirm the switch.
    bool setMode(const QString& word) {
        const QByteArray ack = "mode " + word.toLatin1() + "\n"; // the command, echoed when done
        m_process.write(ack);
        return m_wait.until(
            [&] {
                m_output += m_process.readAllStandardOutput();
                const qsizetype at = m_output.indexOf(ack);
                if (at < 0)
                    return false;
                m_output.remove(0, at + ack.size());
                return true;
            },
            std::chrono::seconds(5));
    }

    const QString& path() const { return m_path; }

private:
    QProcess m_process;
    BoundedWait m_wait;
    QByteArray m_output;
    QString m_path;
};
