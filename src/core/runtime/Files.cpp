#include "core/runtime/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ExisteFichero(const QString& Fichero) {
    return !Fichero.isEmpty() && QFileInfo::exists(Fichero);
}

QString fileInFolder(const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(name)))
        return dir.filePath(name);
    const auto entries = dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return dir.filePath(name);
}

namespace {

// What open(2) is asked for on a new file: the umask takes away what the site does not allow.
constexpr mode_t newFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
// Every bit chmod(2) sets: the permissions with set-user-ID, set-group-ID and sticky.
constexpr mode_t everyModeBit = S_ISUID | S_ISGID | S_ISVTX | S_IRWXU | S_IRWXG | S_IRWXO;

bool writeAll(int fd, QByteArrayView bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace

bool replaceFile(const QString& path, QByteArrayView bytes, QString* why) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = target + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    const char* failed = fd < 0 ? "open" : nullptr;
    if (!failed) {
        struct stat old = {};
        mode_t mode = 0;
        if (::stat(target.constData(), &old) == 0) {
            mode = old.st_mode & everyModeBit;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = newFileMode & ~mask;
        }
        // mkostemp makes the file for its owner alone; the replaced file keeps what it allowed before.
        if (::fchmod(fd, mode) != 0)
            failed = "chmod";
        else if (!writeAll(fd, bytes))
            failed = "write";
        else if (::fdatasync(fd) != 0)
            failed = "sync";
        const int error = errno;
        // A full disk may show only at the close.
        if (::close(fd) != 0 && !failed)
            failed = "close";
        else if (failed)
            errno = error;
        if (!failed && ::rename(temp.constData(), target.constData()) != 0)
            failed = "rename";
        if (failed) {
            const int cause = errno;
            ::unlink(temp.constData());
            errno = cause;
        }
    }
    if (failed) {
        if (why)
            *why = path + QStringLiteral(": ") + QString::fromLatin1(failed) + QStringLiteral(": ") +
                   QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // The new name reaches the disk with the folder; the file itself is whole already.
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? target.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

bool appendToFile(const QString& path, QByteArrayView bytes) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, newFileMode);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    // A full disk may show only when the file is closed.
    const bool closed = ::close(fd) == 0;
    return done == bytes.size() && closed;
}
