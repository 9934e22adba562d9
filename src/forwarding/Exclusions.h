#pragma once

#include "forwarding/WatchedFile.h"

#include <QList>
#include <QString>
#include <utility>

// Section EXCLUDE of vornnet.ini: keys "1", "2", … each "device##alarm", where the alarm "*" stands for
// every alarm of the device. The list ends at the first missing or empty key.
class Exclusions {
public:
    explicit Exclusions(QString iniPath) : m_file(std::move(iniPath)) {}

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
    const List& current() const;

    // While the file stays as it was, the parsed list is reused.
    mutable WatchedFile m_file;
    mutable List m_list;
};
