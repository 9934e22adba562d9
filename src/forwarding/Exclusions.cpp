#include "forwarding/Exclusions.h"

#include "core/AgentError.h"
#include "core/IniFile.h"

#include <QFile>
#include <limits>
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

Exclusions::List Exclusions::parse(const QString& content) {
    const QHash<QString, QString> section = IniFile::sectionFrom(content, QStringLiteral("EXCLUDE"));
    List list;
    for (qint32 key = 1;; ++key) {
        // The key counter is a 16-bit integer: a list that reaches its end overflows.
        if (key > std::numeric_limits<qint16>::max()) {
            list.overflow = true;
            break;
        }
        const QString entry = section.value(QString::number(key));
        if (entry.isEmpty())
            break;
        list.entries.append(
            {SacaCampo(entry, QStringLiteral("##"), 1), SacaCampo(entry, QStringLiteral("##"), 2)});
    }
    return list;
}

const Exclusions::List& Exclusions::current() const {
    struct stat st {};
    const QByteArray path = QFile::encodeName(m_iniPath);
    if (::stat(path.constData(), &st) != 0) {
        // No file, no list.
        m_list = {};
        m_reusable = false;
        return m_list;
    }
    const Stamp stamp{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino),
                      static_cast<qint64>(st.st_size), nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
    if (m_reusable && stamp == m_stamp)
        return m_list;

    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    QString content;
    QFile f(m_iniPath);
    if (f.open(QIODevice::ReadOnly))
        content = IniFile::decode(f.readAll());
    m_list = parse(content);
    m_stamp = stamp;
    m_reusable = nanoseconds(now) - std::max(stamp.mtimeNs, stamp.ctimeNs) > settledNs;
    return m_list;
}

bool Exclusions::HayQueEnviar(const QString& Aparato, const QString& Alarma) const {
    const List& list = current();
    if (list.overflow)
        throw AgentError(AgentError::Conversion, QStringLiteral("Desbordamiento en la lista EXCLUDE"));
    // The whole list is looked at; a match does not stop the reading.
    bool send = true;
    for (const auto& [device, alarm] : list.entries) {
        if (Aparato.compare(device, Qt::CaseInsensitive) == 0 &&
            (alarm == QLatin1String("*") || Alarma.compare(alarm, Qt::CaseInsensitive) == 0))
            send = false;
    }
    return send;
}
