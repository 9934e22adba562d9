#pragma once

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// Root ignores file permissions, so a test that makes a folder read-only or a file unreadable runs the
// agent as "nobody" when it is itself root, in a tree that "nobody" owns. Run as any other user, the
// agent keeps the test's own user and nothing is changed.
namespace Unprivileged {

struct Ids {
    uid_t uid;
    gid_t gid;
};
// The user to run as, or nullopt when the test already is unprivileged.
inline std::optional<Ids> target() {
    if (::geteuid() != 0)
        return std::nullopt;
    const passwd* pw = ::getpwnam("nobody");
    if (!pw)
        return std::nullopt;
    return Ids{pw->pw_uid, pw->pw_gid};
}

// Hands a folder and everything below it to the agent's user.
inline bool giveTree(const QString& root) {
    const auto ids = target();
    if (!ids)
        return true;
    bool ok = ::chown(QFile::encodeName(root).constData(), ids->uid, ids->gid) == 0;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        ok = ::lchown(QFile::encodeName(it.next()).constData(), ids->uid, ids->gid) == 0 && ok;
    return ok;
}

// Whether another account may pass through every folder above path (root's own checkout may lie under a
// folder only root can enter).
inline bool reachable(const QString& path) {
    for (QString dir = QFileInfo(path).absolutePath();; dir = QFileInfo(dir).absolutePath()) {
        struct stat st {};
        if (::stat(QFile::encodeName(dir).constData(), &st) != 0 || !(st.st_mode & S_IXOTH))
            return false;
        if (dir == QLatin1String("/"))
            return true;
    }
}

// A program as the agent's user can run it: itself when reachable, else a copy in a folder of the temp
// area that is open to all (the agent is linked statically with the project's own libraries, so the
// program alone is enough). Empty when no such copy can be made.
inline QString reachableCopy(const QString& program) {
    if (!target() || reachable(program))
        return program;
    static QTemporaryDir dir(QStringLiteral("/tmp/vornnet-test-bin-XXXXXX"));
    const QString copy = dir.filePath(QFileInfo(program).fileName());
    if (!dir.isValid() || !QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755)) ||
        !reachable(copy))
        return {};
    if (!QFile::exists(copy) && !QFile::copy(program, copy))
        return {};
    QFile::setPermissions(copy, QFileDevice::Permissions(0x7755));
    return copy;
}

// Why the agent can not run as the other account with these paths (folders given to it, the program
// copied when it must be); empty when it can.
inline QString whyNot(const QStringList& paths) {
    if (!target())
        return ::geteuid() != 0
                   ? QString()
                   : QStringLiteral("root without a 'nobody' user: permissions can not be made to bind");
    for (const QString& path : paths)
        if (!reachable(path) && (!QFileInfo(path).isFile() || reachableCopy(path).isEmpty()))
            return QStringLiteral("'nobody' can not reach %1 (a folder above it is closed to others), and "
                                  "the test can not put it elsewhere")
                .arg(path);
    return {};
}

// The process drops to the agent's user between fork and exec.
inline void apply(QProcess& process) {
    const auto ids = target();
    if (!ids)
        return;
    const Ids to = *ids;
    process.setChildProcessModifier([to] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(to.gid) != 0 || ::setuid(to.uid) != 0)
            ::_exit(126);
    });
}

} // namespace Unprivileged
