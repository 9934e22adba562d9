#include "ProcessStats.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <unistd.h>

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

qint64 ProcessStats::totalCpuNs(qint64 pid) {
    const QByteArray stat = readProc(QStringLiteral("/proc/%1/stat").arg(pid));
    // The name in brackets may hold blanks: fields are counted after its closing bracket.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const qint64 ticks = fields[11].toLongLong() + fields[12].toLongLong(); // utime, stime
    const qint64 perSecond = ::sysconf(_SC_CLK_TCK);
    return ticks * (1'000'000'000 / perSecond);
}
