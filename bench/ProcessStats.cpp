#include "ProcessStats.h"

#include <QDir>
#include <QFile>
#include <QList>

namespace {

QByteArray readProc(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// "Name:\t  1234 kB" lines of a status file.
qint64 statusField(const QByteArray& status, const QByteArray& name) {
    for (const QByteArray& line : status.split('\n')) {
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

} // namespace

ProcessStats ProcessStats::of(qint64 pid) {
    ProcessStats s;
    const QString root = QStringLiteral("/proc/%1").arg(pid);
    const QByteArray status = readProc(root + QStringLiteral("/status"));
    if (status.isEmpty())
        return s;
    s.rssKiB = statusField(status, "VmRSS");
    s.peakRssKiB = statusField(status, "VmHWM");
    const QStringList tasks =
        QDir(root + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        const QString dir = root + QStringLiteral("/task/") + task;
        s.cpuNs += readProc(dir + QStringLiteral("/schedstat")).split(' ').value(0).toLongLong();
        s.voluntarySwitches +=
            statusField(readProc(dir + QStringLiteral("/status")), "voluntary_ctxt_switches");
    }
    s.valid = true;
    return s;
}
