#pragma once

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// Root ignores file permissions, so a test that makes a folder read-only runs the agent as "nobody" when
// it is itself root, in a tree that "nobody" owns. Run as any other user, the agent keeps the test's own
// user and nothing is changed.
namespace Unprivileged {

// The user to run as, or null when the test already is unprivileged (or no such user exists).
inline const passwd* target() {
    return ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
}

// Hands a folder and everything below it to the agent's user.
inline bool giveTree(const QString& root) {
    const passwd* to = target();
    if (!to)
        return true;
    bool ok = ::chown(QFile::encodeName(root).constData(), to->pw_uid, to->pw_gid) == 0;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        ok = ::lchown(QFile::encodeName(it.next()).constData(), to->pw_uid, to->pw_gid) == 0 && ok;
    return ok;
}

// Whether another account may pass through every folder above path.
inline bool reachable(const QString& path) {
    for (QString dir = QFileInfo(path).absolutePath();; dir = QFileInfo(dir).absolutePath()) {
        struct stat st {};
        if (::stat(QFile::encodeName(dir).constData(), &st) != 0 || !(st.st_mode & S_IXOTH))
            return false;
        if (dir == QLatin1String("/"))
            return true;
    }
}

// The program as the agent's user can run it: root's checkout may lie under a folder only root can enter,
// so a copy in a folder of the temp area that is open to all (the agent is linked statically with the
// project's own libraries: the program alone is enough). Empty when no such copy can be made.
inline QString reachableCopy(const QString& program) {
    if (!target())
        return program;
    static QTemporaryDir dir(QStringLiteral("/tmp/vornnet-test-bin-XXXXXX"));
    const QString copy = dir.filePath(QFileInfo(program).fileName());
    const auto open = QFileDevice::Permissions(0x7755);
    if (QFile::exists(copy) || (QFile::setPermissions(dir.path(), open) && QFile::copy(program, copy) &&
                                QFile::setPermissions(copy, open) && reachable(copy)))
        return copy;
    return {};
}

// Why the agent can not run as the other account in these folders; empty when it can.
inline QString whyNot(const QStringList& folders, const QString& program) {
    if (!target())
        return ::geteuid() != 0
                   ? QString()
                   : QStringLiteral("root without a 'nobody' user: permissions can not be made to bind");
    for (const QString& folder : folders)
        if (!reachable(folder))
            return QStringLiteral("'nobody' can not reach %1 (a folder above it is closed to others)")
                .arg(folder);
    return reachableCopy(program).isEmpty() ? QStringLiteral("no copy of the agent 'nobody' can run")
                                            : QString();
}

// The process drops to the agent's user between fork and exec.
inline void apply(QProcess& process) {
    const passwd* to = target();
    if (!to)
        return;
    process.setChildProcessModifier([uid = to->pw_uid, gid = to->pw_gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(126);
    });
}

} // namespace Unprivileged
