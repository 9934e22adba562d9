#pragma once

#include "core/BoundedWait.h"
#include "watchdog/ProcessTable.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <list>

// Copies of gelmar-sim under names of our choosing, each resident until killed, in a folder of their own
// that scopes the process table: only processes this test started are ever seen or touched.
class Residents {
public:
    Residents() { table.setScope(dir.path()); }

    // Starts one more process named name; its pid once the table lists it under that name, else 0.
    qint64 start(const QString& name) {
        const QString path = dir.filePath(name);
        if (!QFile::exists(path))
            QFile::copy(QStringLiteral(GELMAR_SIM_PATH), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        QProcess& p = m_processes.emplace_back();
        p.start(path, {QStringLiteral("resident")});
        const qint64 pid = p.waitForStarted(5000) ? p.processId() : 0;
        return BoundedWait().until([&] { return nameOf(pid) == name; }, std::chrono::seconds(5)) ? pid : 0;
    }
    QString nameOf(qint64 pid) const {
        for (const ProcessEntry& e : table.list())
            if (e.pid == pid)
                return e.name;
        return {};
    }
    // Lets the event loop reap what was killed, until the process is no more.
    bool gone(qint64 pid) const {
        return BoundedWait().until([&] { return !QFile::exists(QStringLiteral("/proc/%1").arg(pid)); },
                                   std::chrono::seconds(5));
    }

    QTemporaryDir dir;
    ProcessTable table;

private:
    std::list<QProcess> m_processes; // killed, if still running, when they go
};
