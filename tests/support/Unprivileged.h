#pragma once

#include <QDirIterator>
#include <QProcess>
#include <QString>
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

// Whether permissions bind the agent: false only for root without a "nobody" user.
inline bool possible() {
    return ::geteuid() != 0 || target().has_value();
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
