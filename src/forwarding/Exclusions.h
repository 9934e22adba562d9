#pragma once

#include <QList>
#include <QString>
#include <utility>

// Section EXCLUDE of vornnet.ini: keys "1", "2", … each "device##alarm", where the alarm "*" stands for
// every alarm of the device. The list ends at the first missing or empty key.
class Exclusions {
public:
    explicit Exclusions(QString iniPath) : m_iniPath(std::move(iniPath)) {}

    // False when the alarm of that device is excluded. Every call sees the file as it stands, so an edit
    // takes effect at the next alarm; a list that reaches key 32767 throws AgentError (overflow).
    bool HayQueEnviar(const QString& Aparato, const QString& Alarma) const;

    // The list as parsed from the file's content: pairs (device, alarm), and whether it overflowed.
    struct List {
        QList<std::pair<QString, QString>> entries;
        bool overflow = false;
    };
    static List parse(const QString& content);

private:
    // The file's identity and times: while they stay the same the parsed list is reused.
    struct Stamp {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = -1;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    const List& current() const;

    QString m_iniPath;
    mutable List m_list;
    mutable Stamp m_stamp;
    // Only a read made well after the file's last change may be reused: a change within the same tick of
    // the file system's clock leaves the times as they were.
    mutable bool m_reusable = false;
};
