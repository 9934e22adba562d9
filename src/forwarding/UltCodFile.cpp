#include "forwarding/UltCodFile.h"

#include "core/runtime/AgentError.h"
#include "core/runtime/Files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringDecoder>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

UltCodFile::UltCodFile(QString programFolder, Kind kind, const QString& plant)
    : m_path(fileInFolder(programFolder, fileName(kind, plant))), m_kind(kind) {
}

QString UltCodFile::fileName(Kind kind, const QString& plant) {
    QString safe = plant;
    for (QChar& c : safe)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QChar(0))
            c = QLatin1Char('_');
    const QString prefix =
        kind == Kind::Alarms ? QStringLiteral("VornNetUltCod_") : QStringLiteral("VornNetUltCodBuffer_");
    const QString suffix = QStringLiteral(".ini");
    const qsizetype room = maxNameBytes - temporaryExtraBytes;
    QString whole = prefix + safe + suffix;
    if (whole.toUtf8().size() <= room)
        return whole;

    // Too long to be created: cut between characters, and tell names that begin alike apart by a short
    // hash of the whole plant name, so each plant keeps a file of its own.
    const QString tag =
        QLatin1Char('~') +
        QString::fromLatin1(
            QCryptographicHash::hash(plant.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    const qsizetype budget = room - prefix.toUtf8().size() - suffix.size() - tag.size();
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < safe.size()) {
        const qsizetype width = safe[end].isHighSurrogate() && end + 1 < safe.size() ? 2 : 1;
        const qsizetype size = safe.mid(end, width).toUtf8().size();
        if (bytes + size > budget)
            break;
        bytes += size;
        end += width;
    }
    return prefix + safe.left(end) + tag + suffix;
}

QString UltCodFile::oldFileName(Kind kind) {
    return kind == Kind::Alarms ? QStringLiteral("vornnetultcod.ini")
                                : QStringLiteral("vornnetultcodbuffer.ini");
}

QByteArray UltCodFile::content(qint64 id) {
    return (id < 0 ? QByteArray::number(id) : QByteArray(" ") + QByteArray::number(id)) + "\r\n";
}

std::optional<qint64> UltCodFile::parse(const QByteArray& text) {
    // UTF-16, as Notepad saves "Unicode", is read as the text it stands for.
    QByteArray bytes = text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringDecoder::Utf16);
        bytes = QString(utf16(bytes)).toUtf8();
    }
    // Blanks, NULs, no-break spaces (UTF-8 or single-byte) and UTF-8 byte-order marks before the number
    // are what editors and copies leave; anything else before it means the file is not a position, and
    // guessing would skip or resend alarms. What follows the number does not matter.
    constexpr unsigned char noBreakSpace = 0xA0; // single-byte
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    for (;;) {
        if (i < n && (std::isspace(static_cast<unsigned char>(bytes[i])) || bytes[i] == '\0' ||
                      static_cast<unsigned char>(bytes[i]) == noBreakSpace))
            ++i;
        else if (bytes.mid(i, 2) == "\xC2\xA0")
            i += 2;
        else if (bytes.mid(i, 3) == "\xEF\xBB\xBF")
            i += 3;
        else
            break;
    }
    const qsizetype start = i;
    if (i < n && (bytes[i] == '-' || bytes[i] == '+'))
        ++i;
    const qsizetype digits = i;
    while (i < n && bytes[i] >= '0' && bytes[i] <= '9')
        ++i;
    if (i == digits)
        return std::nullopt;
    bool ok = false;
    const qint64 v = bytes.mid(start, i - start).toLongLong(&ok);
    // Beyond 64 bits is no position either.
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

bool UltCodFile::exists() const {
    return ExisteFichero(m_path);
}

QString UltCodFile::noNumberText(const QString& path) {
    return QStringLiteral("El fichero de posición %1 no contiene un número válido")
        .arg(QDir::toNativeSeparators(path));
}

std::optional<qint64> UltCodFile::read() const {
    QFile f(m_path);
    if (!f.exists())
        return std::nullopt;
    if (!f.open(QIODevice::ReadOnly))
        throw AgentError(AgentError::CommandFailed, QStringLiteral("No se puede leer %1").arg(m_path));
    const auto id = parse(f.read(maxBytesRead));
    if (!id)
        throw AgentError(AgentError::Conversion, noNumberText(m_path));
    return id;
}

namespace {

Q_LOGGING_CATEGORY(positionLog, "vornnet.position")

// A flush that fails leaves the position in place but maybe not on disk: told once per distinct error.
bool flushed(bool ok, const QString& path) {
    static QString lastError;
    if (ok) {
        lastError.clear();
        return true;
    }
    const QString error = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    if (error != lastError)
        qCWarning(positionLog, "no se puede asegurar en disco %s", qPrintable(error));
    lastError = error;
    return false;
}

// The folder's entry for a renamed file reaches the disk only with the folder itself.
bool syncFolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

QString UltCodFile::sparePath() const {
    return m_path + QStringLiteral(".swap");
}

bool UltCodFile::write(qint64 id, Sync sync) const {
    const QByteArray path = QFile::encodeName(m_path);
    const QByteArray spare = QFile::encodeName(sparePath());
    // The new position is written into the spare file, which then trades places with the position file
    // in one atomic step: the spare keeps the old position and is overwritten by the next write. Files
    // are not made and deleted per write, which on a file system that discards freed blocks costs a
    // wait on the disk each time.
    bool fresh = false;
    int fd = ::open(spare.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(spare.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                    S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH);
        fresh = true;
    }
    if (fd < 0)
        return false;
    // Once a second the next two writes are flushed, one into each of the two files, so that neither
    // lags behind on disk by more than that. A file just made is flushed before it takes the name: until
    // then the disk may hold no data for it at all.
    if (!m_sinceSync.isValid() || m_sinceSync.hasExpired(syncEveryMs)) {
        m_flushesDue = 2;
        m_sinceSync.start();
    }
    const bool flush = fresh || sync == Sync::Now || m_flushesDue > 0;
    const QByteArray bytes = content(id);
    // Cut only what a longer earlier position would leave behind.
    const bool cut = !fresh && (m_spareLength < 0 || m_spareLength > bytes.size());
    bool ok = ::pwrite(fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0) == bytes.size() &&
              (!cut || ::ftruncate(fd, bytes.size()) == 0) && (!flush || ::fdatasync(fd) == 0);
    ok = ::close(fd) == 0 && ok;
    bool exchanged = ok;
    if (ok && ::renameat2(AT_FDCWD, spare.constData(), AT_FDCWD, path.constData(), RENAME_EXCHANGE) != 0) {
        // No position file yet, or a file system that can not exchange: a plain rename, the spare is
        // made again next time.
        exchanged = false;
        ok = (errno == ENOENT || errno == EINVAL || errno == ENOSYS) &&
             ::rename(spare.constData(), path.constData()) == 0;
    }
    if (!ok) {
        m_spareLength = -1;
        return false;
    }
    m_spareLength = exchanged ? m_fileLength : -1;
    m_fileLength = bytes.size();
    if (!flush) {
        m_unsynced = true;
        return true;
    }
    m_unsynced = false;
    m_flushesDue = std::max(0, m_flushesDue - 1);
    // The new position is in place already: a failure here leaves it, maybe not yet durable.
    return flushed(syncFolderOf(path), m_path);
}

bool UltCodFile::sync() const {
    if (!m_unsynced)
        return true;
    const QByteArray path = QFile::encodeName(m_path);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    bool ok = fd >= 0 && ::fdatasync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!flushed(ok && syncFolderOf(path), m_path))
        return false;
    m_unsynced = false;
    return true;
}

void UltCodFile::adoptOldFile(const QString& programFolder) const {
    const QString old = fileInFolder(programFolder, oldFileName(m_kind));
    if (!ExisteFichero(old))
        return;
    if (QFileInfo::exists(m_path) || !QFile::rename(old, m_path))
        throw AgentError(
            AgentError::CommandFailed,
            QStringLiteral("No se puede renombrar %1 a %2").arg(old, QFileInfo(m_path).fileName()));
}
