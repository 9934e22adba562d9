#include "app/SystemdNotify.h"

#include "core/runtime/Diagnostics.h"

#include <algorithm>
#include <cstring>
#include <systemd/sd-daemon.h>

SystemdNotify::SystemdNotify(QObject* parent) : QObject(parent) {
    m_enabled = !qEnvironmentVariableIsEmpty("NOTIFY_SOCKET");
    if (!m_enabled)
        return;
    uint64_t usec = 0;
    // 0 for the environment: the variables stay for the supervision system the agent may start.
    if (sd_watchdog_enabled(0, &usec) > 0 && usec > 0) {
        // The keep-alive runs from the event loop: a step that blocks the single thread stops it, and
        // systemd restarts the agent, which is the point.
        using std::chrono::milliseconds;
        const auto half = std::chrono::duration_cast<milliseconds>(
            std::chrono::microseconds(static_cast<std::chrono::microseconds::rep>(usec / 2)));
        m_keepAlive.setInterval(std::clamp(half, milliseconds(1), milliseconds(std::chrono::hours(24))));
        m_watchdogUsec = usec;
        connect(&m_keepAlive, &QTimer::timeout, this, &SystemdNotify::keepAlive);
        m_keepAlive.start();
    }
}

void SystemdNotify::allowLongWork(std::function<bool()> busy, std::chrono::seconds longWait) {
    m_busy = std::move(busy);
    m_longWait = longWait;
}

void SystemdNotify::keepAlive() {
    const bool busy = m_busy && m_busy();
    if (busy != m_extended) {
        const quint64 usec =
            busy ? static_cast<quint64>(std::chrono::microseconds(m_longWait).count()) : m_watchdogUsec;
        send("WATCHDOG_USEC=" + QByteArray::number(usec));
        m_extended = busy;
    }
    send("WATCHDOG=1");
}

void SystemdNotify::ready() {
    send("READY=1");
}

void SystemdNotify::status(const QString& line) {
    QString one = line;
    one.replace(QLatin1Char('\n'), QLatin1Char(' '));
    send("STATUS=" + one.toUtf8());
}

void SystemdNotify::stopping() {
    m_keepAlive.stop();
    send("STOPPING=1");
}

void SystemdNotify::send(const QByteArray& state) {
    if (!m_enabled)
        return;
    const int rc = sd_notify(0, state.constData());
    if (rc < 0) {
        // Told once: a socket that went away fails every time after.
        if (!m_failureTold)
            qCWarning(lcAgent).noquote() << QStringLiteral("aviso a systemd fallido: %1")
                                                .arg(QString::fromLocal8Bit(std::strerror(-rc)));
        m_failureTold = true;
    }
}
