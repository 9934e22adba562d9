#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>

SingleInstance::SingleInstance(const QString& programFolder)
    : m_folder(programFolder), m_path(QDir(programFolder).filePath(QStringLiteral("vornnet.lock"))),
      m_lock(m_path) {
    // Only a dead holder makes a lock stale, never its age: the agent runs for months.
    m_lock.setStaleLockTime(0);
}

SingleInstance::Result SingleInstance::acquire() {
    if (m_lock.isLocked() || m_lock.tryLock(0))
        return Result::Acquired;
    // Only a lock that a live process holds means another copy; any other failure would otherwise end
    // the agent in silence, and nothing would be forwarded.
    if (m_lock.error() == QLockFile::LockFailedError && holderRuns()) {
        m_otherCopy = true;
        return Result::OtherCopy;
    }
    m_error = QStringLiteral("No se puede crear el fichero de bloqueo %1 en la carpeta del programa %2: %3")
                  .arg(QFileInfo(m_path).fileName(), QDir::toNativeSeparators(m_folder), cause());
    return Result::Failed;
}

bool SingleInstance::holderRuns() const {
    qint64 pid = 0;
    QString host, application;
    if (!m_lock.getLockInfo(&pid, &host, &application) || pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

QString SingleInstance::cause() const {
    const QFileInfo folder(m_folder);
    if (!folder.exists())
        return QStringLiteral("la carpeta no existe");
    if (!folder.isDir())
        return QStringLiteral("no es una carpeta");
    const QFileInfo lock(m_path);
    if (lock.isDir())
        return QStringLiteral("ese nombre lo tiene una carpeta");
    if (lock.exists())
        return QStringLiteral("queda un bloqueo que no es de una copia en marcha y no se puede quitar");
    // The system's own reason (permission, read-only file system, disk full...), from one more try.
    QFile probe(m_path);
    if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        probe.close();
        probe.remove();
        return QStringLiteral("error desconocido");
    }
    return probe.errorString();
}
