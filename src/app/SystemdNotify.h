#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

// Tells systemd how the agent is doing, through libsystemd's sd_notify: ready after the load, a one-line
// summary after each scheduler run, a keep-alive from the event loop while the watchdog is on, stopping at
// unload. Without NOTIFY_SOCKET (not started by systemd as Type=notify) every call does nothing.
class SystemdNotify : public QObject {
    Q_OBJECT
public:
    explicit SystemdNotify(QObject* parent = nullptr);

    bool enabled() const { return m_enabled; }
    // The keep-alive period: half of WATCHDOG_USEC; 0 when systemd watches nothing.
    qint64 keepAliveMs() const { return m_keepAlive.isActive() ? m_keepAlive.interval() : 0; }

    // While busy() holds, systemd is told to wait up to longWait between keep-alives instead of the
    // unit's WatchdogSec; asked at each keep-alive, so the change is made in the waits before the long call.
    void allowLongWork(std::function<bool()> busy, std::chrono::seconds longWait);

    void ready();
    void status(const QString& line);
    void stopping();

private:
    void send(const QByteArray& state);
    void keepAlive();

    bool m_enabled = false;
    bool m_failureTold = false;
    quint64 m_watchdogUsec = 0;
    std::function<bool()> m_busy;
    std::chrono::seconds m_longWait{0};
    bool m_extended = false;
    QTimer m_keepAlive;
};
