#include "forwarding/WatchedFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <time.h>

namespace {

// Longer than the coarsest modification-time tick of the file systems the agent may run on (one second).
constexpr qint64 settledNs = 2'000'000'000;

qint64 nanoseconds(const timespec& t) {
    constexpr qint64 nsPerSecond = 1'000'000'000;
    return static_cast<qint64>(t.tv_sec) * nsPerSecond + t.tv_nsec;
}

} // namespace

bool WatchedFile::refresh() {
    struct stat st {};
    const QByteArray path = QFile::encodeName(m_path);
    if (::stat(path.constData(), &st) != 0) {
        const QString why =
            errno == ENOENT ? QStringLiteral("no existe") : QString::fromLocal8Bit(std::strerror(errno));
        const bool changed = why != m_error;
        m_content.clear();
        m_error = why;
        m_reusable = false;
        m_stamp = {};
        return changed;
    }
    const Stamp stamp{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino),
                      static_cast<qint64>(st.st_size), nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
    m_mode = st.st_mode;
    if (m_reusable && stamp == m_stamp)
        return false;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    QFile f(m_path);
    if (f.open(QIODevice::ReadOnly)) {
        m_content = f.readAll();
        m_error.clear();
    } else {
        m_content.clear();
        m_error = f.errorString();
    }
    m_stamp = stamp;
    m_reusable = m_error.isEmpty() && nanoseconds(now) - std::max(stamp.mtimeNs, stamp.ctimeNs) > settledNs;
    return true;
}
