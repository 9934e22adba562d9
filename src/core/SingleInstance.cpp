#include "core/SingleInstance.h"

#include <QDir>

SingleInstance::SingleInstance(const QString& programFolder)
    : m_lock(QDir(programFolder).filePath(QStringLiteral("vornnet.lock"))) {
    // Only a dead holder makes a lock stale, never its age: the agent runs for months.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::acquire() {
    return m_lock.isLocked() || m_lock.tryLock(0);
}
