#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// One running process as the process table shows it.
struct ProcessEntry {
    qint64 pid = 0;
    qint64 ppid = 0;
    qint64 session = 0;
    // The executable name as the system sees it: comm, or the last part of argv[0] when comm was cut.
    QString name;
    // argv[0] made absolute against the process's working folder; empty when it cannot be told.
    QString executable;
};

// The processes of the machine, read from /proc. An entry is read whole or skipped: a process may end
// between the listing and the reading of its files. Zombies are left out: they no longer run.
//
// A scope limits the table to the processes started from one folder or the folders below it (the folder
// of their argv[0]), so that tests, and two installations on one machine, only ever see and touch their
// own processes.
class ProcessTable {
public:
    explicit ProcessTable(QString procRoot = QStringLiteral("/proc"));

    // Empty: every process of the machine.
    void setScope(const QString& folder);
    const QString& scope() const { return m_scope; }

    // Every live process in the scope. Throws AgentError when the table itself cannot be read.
    QList<ProcessEntry> list() const;
    // SIGKILL, the equivalent of terminating with an exit code; false when the process cannot be
    // signalled (gone, not ours, or not a real process id).
    static bool terminate(qint64 pid);

    // The fields of /proc/PID/stat the table uses; nullopt when the text is not a stat line. The name
    // between the brackets may itself hold blanks and brackets.
    struct Stat {
        char state = '?';
        qint64 ppid = 0;
        qint64 session = 0;
    };
    static std::optional<Stat> parseStat(const QByteArray& stat);
    // The executable name from the contents of /proc/PID/comm and /proc/PID/cmdline.
    static QString executableName(const QByteArray& comm, const QByteArray& cmdline);

    // Longest name the kernel keeps in comm.
    static constexpr qsizetype commLength = 15;

private:
    std::optional<ProcessEntry> read(qint64 pid) const;

    QString m_root;
    QString m_scope;
};
