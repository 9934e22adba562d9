#pragma once

#include <QByteArrayList>
#include <QProcess>
#include <QTemporaryDir>

// A quarn-center for the bench: its record file and a mode file it reads at each connection.
class Station {
public:
    explicit Station(QString program);
    ~Station();

    // Starts it (on a free port unless one is given) and waits for "listening on P".
    bool start(const QByteArray& mode, quint16 port = 0);
    void setMode(const QByteArray& mode);
    quint16 port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }
    // Messages recorded so far.
    qsizetype recorded() const;

    // A port nothing listens on: connections to it are refused.
    static quint16 closedPort();

private:
    QString m_program;
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
