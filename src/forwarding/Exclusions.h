#pragma once

#include <QString>

// Section EXCLUDE of vornnet.ini: keys "1", "2", … each "device##alarm", where the alarm "*" stands for
// every alarm of the device. The list ends at the first missing or empty key.
class Exclusions {
public:
    explicit Exclusions(QString iniPath) : m_iniPath(std::move(iniPath)) {}

    // False when the alarm of that device is excluded. The list is read afresh on every call, so an edit
    // of the file takes effect at the next alarm.
    bool HayQueEnviar(const QString& Aparato, const QString& Alarma) const;

private:
    QString m_iniPath;
};
