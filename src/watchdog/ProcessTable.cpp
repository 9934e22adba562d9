#include "watchdog/ProcessTable.h"

#include "core/runtime/AgentError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <csignal>
#include <sys/types.h>

namespace {

std::optional<QByteArray> readWhole(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray content = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return content;
}

// argv[0]: cmdline up to its first NUL (a process may have left the NUL out).
QString firstArgument(const QByteArray& cmdline) {
    const qsizetype end = cmdline.indexOf('\0');
    return QString::fromLocal8Bit(end < 0 ? cmdline : cmdline.left(end));
}

QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

bool within(const QString& folder, const QString& scope) {
    if (folder == scope)
        return true;
    return folder.startsWith(scope.endsWith(QLatin1Char('/')) ? scope : scope + QLatin1Char('/'));
}

} // namespace

ProcessTable::ProcessTable(QString procRoot) : m_root(std::move(procRoot)) {
}

void ProcessTable::setScope(const QString& folder) {
    m_scope = folder.isEmpty() ? QString() : QFileInfo(folder).absoluteFilePath();
}

std::optional<ProcessTable::Stat> ProcessTable::parseStat(const QByteArray& stat) {
    // "pid (name) S ppid pgrp session ...": the name may hold ") (", so the last ')' ends it.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || stat.indexOf('(') < 0 || stat.indexOf('(') > close)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    if (fields.size() < 4 || fields[0].size() != 1)
        return std::nullopt;
    bool okParent = false, okSession = false;
    Stat s;
    s.state = fields[0].at(0);
    s.ppid = fields[1].toLongLong(&okParent);
    s.session = fields[3].toLongLong(&okSession);
    if (!okParent || !okSession)
        return std::nullopt;
    return s;
}

QString ProcessTable::executableName(const QByteArray& comm, const QByteArray& cmdline) {
    QByteArray name = comm;
    if (name.endsWith('\n'))
        name.chop(1);
    QString fromComm = QString::fromLocal8Bit(name);
    if (fromComm.size() < commLength)
        return fromComm;
    // comm is cut at 15 characters: argv[0] has the whole name when it begins the same way.
    const QString arg0 = firstArgument(cmdline);
    const QString last = arg0.mid(arg0.lastIndexOf(QLatin1Char('/')) + 1);
    return last.size() > fromComm.size() && last.startsWith(fromComm) ? last : fromComm;
}

std::optional<ProcessEntry> ProcessTable::read(qint64 pid) const {
    const QString dir = m_root + QLatin1Char('/') + QString::number(pid) + QLatin1Char('/');
    const auto stat = readWhole(dir + QStringLiteral("stat"));
    const auto comm = readWhole(dir + QStringLiteral("comm"));
    const auto cmdline = readWhole(dir + QStringLiteral("cmdline"));
    if (!stat || !comm || !cmdline)
        return std::nullopt;
    const auto fields = parseStat(*stat);
    if (!fields || fields->state == 'Z' || fields->state == 'X')
        return std::nullopt;

    ProcessEntry e;
    e.pid = pid;
    e.ppid = fields->ppid;
    e.session = fields->session;
    e.name = executableName(*comm, *cmdline);
    const QString arg0 = firstArgument(*cmdline);
    if (arg0.startsWith(QLatin1Char('/'))) {
        e.executable = QDir::cleanPath(arg0);
    } else if (!arg0.isEmpty()) {
        // A relative argv[0] names a file in the process's working folder (unreadable for others' ones).
        const QString cwd = QFileInfo(dir + QStringLiteral("cwd")).symLinkTarget();
        if (!cwd.isEmpty())
            e.executable = QDir::cleanPath(QDir(cwd).filePath(arg0));
    }
    return e;
}

QList<ProcessEntry> ProcessTable::list() const {
    const QDir root(m_root);
    if (!root.exists() || !root.isReadable())
        throw AgentError(AgentError::Unspecified,
                         QStringLiteral("No se puede leer la tabla de procesos ") + m_root);
    QList<qint64> pids;
    const QStringList names = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& name : names) {
        bool numeric = false;
        const qint64 pid = name.toLongLong(&numeric);
        if (numeric && pid > 0)
            pids.append(pid);
    }
    // In the order of their ids, as a snapshot lists them.
    std::sort(pids.begin(), pids.end());
    QList<ProcessEntry> entries;
    for (qint64 pid : std::as_const(pids)) {
        const auto entry = read(pid);
        if (!entry)
            continue;
        if (!m_scope.isEmpty() &&
            (entry->executable.isEmpty() || !within(folderOf(entry->executable), m_scope)))
            continue;
        entries.append(*entry);
    }
    return entries;
}

bool ProcessTable::terminate(qint64 pid) {
    // 0 and negative ids name process groups, and 1 is init: never ours to end.
    if (pid <= 1 || pid != static_cast<pid_t>(pid))
        return false;
    return ::kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}
