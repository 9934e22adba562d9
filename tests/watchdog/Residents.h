#pragma once

#include "core/BoundedWait.h"
#include "watchdog/ProcessTable.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <list>

// Copies of gelmar-sim under names of our choosing, in a folder of their own, each staying resident
// until killed: processes this test started itself, seen through a process table scoped to their folder.
class Residents {
public:
    Residents() { table.setScope(dir.path()); }
    ~Residents() {
        for (QProcess& p : m_processes) {
            if (p.state() != QProcess::NotRunning) {
                p.kill();
                p.waitForFinished(5000);
            }
        }
    }

    // Starts one more process named name; its pid once the table shows it under that name, else 0.
    qint64 start(const QString& name) {
        const QString path = dir.filePath(name);
        if (!QFile::exists(path)) {
            QFile::copy(QStringLiteral(GELMAR_SIM_PATH), path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QProcess& p = m_processes.emplace_back();
        p.start(path, {QStringLiteral("resident")});
        if (!p.waitForStarted(5000))
            return 0;
        const qint64 pid = p.processId();
        const bool listed = BoundedWait().until([&] { return nameOf(pid) == name; }, std::chrono::seconds(5));
        return listed ? pid : 0;
    }

    // The name the table shows for a pid; empty when it is not listed (ended, or a zombie).
    QString nameOf(qint64 pid) const {
        for (const ProcessEntry& e : table.list())
            if (e.pid == pid)
                return e.name;
        return {};
    }
    bool running(qint64 pid) const { return !nameOf(pid).isEmpty(); }
    // Lets the test's own event loop reap what was killed, until the process is no more.
    bool waitGone(qint64 pid) const {
        return BoundedWait().until(
            [&] { return !running(pid) && !QFile::exists(QStringLiteral("/proc/%1").arg(pid)); },
            std::chrono::seconds(5));
    }

    QTemporaryDir dir;
    ProcessTable table;

private:
    std::list<QProcess> m_processes;
};
