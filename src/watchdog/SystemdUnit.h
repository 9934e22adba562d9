#pragma once

#include <QString>
#include <chrono>
#include <utility>

// The supervision system's own systemd unit, when the integrator names one: the agent then asks systemd
// to stop, start or restart it, so the system runs under its unit's account and file view rather than
// as the agent's account inside the agent's sandbox. systemctl is looked up on the PATH.
class SystemdUnit {
public:
    // systemctl is only asked to queue the job (--no-block); this bounds a systemd that does not answer.
    static constexpr std::chrono::milliseconds answerTime{15000};

    explicit SystemdUnit(QString unit) : m_unit(std::move(unit)) {}

    // Asks systemd to stop, start or restart the unit without waiting for the job. Empty when systemd
    // took the request, else why not, in Spanish.
    QString ask(const QString& verb) const;

private:
    QString m_unit;
};
