#include "core/SingleInstance.h"

#include <QDir>
#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcInstance, "vornnet.core")
}

SingleInstance::SingleInstance(const QString& programFolder)
    : m_lock(QDir(programFolder).filePath(QStringLiteral("vornnet.lock"))) {
    // Only a dead holder makes a lock stale, never its age: the agent runs for months.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::acquire() {
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return true;
    // Another copy ends in silence; a lock that cannot be made at all (a folder this account may not
    // write, a missing folder) is no other copy and is told.
    if (m_lock.error() != QLockFile::LockFailedError)
        qCWarning(lcInstance, "No se puede crear %s: %s",
                  qPrintable(QDir::toNativeSeparators(m_lock.fileName())),
                  m_lock.error() == QLockFile::PermissionError ? "permiso denegado" : "error desconocido");
    return false;
}
