#pragma once

#include <QDateTime>
#include <optional>

// Whether deliveries to the central station are failing, and since when. Shared by every step that
// delivers (alarm scan, buffer resend, life test, clock) and read by the SMS mode check.
struct DeliveryState {
    void delivered() { m_failingSince.reset(); }

    // Keeps the time of the first failure of a series: only a state with nothing pending takes now.
    void failed(const QDateTime& now) {
        if (!m_failingSince)
            m_failingSince = now;
    }
    // A series known to have begun at since (SMS mode kept over a restart), whatever was pending.
    void failingSince(const QDateTime& since) { m_failingSince = since; }

    bool failurePending() const { return m_failingSince.has_value(); }
    // Time of the first failure of the series in progress; none while deliveries succeed.
    const std::optional<QDateTime>& failingSince() const { return m_failingSince; }
    // How long the series in progress has lasted at now; 0 with none pending.
    qint64 msecsFailing(const QDateTime& now) const {
        return m_failingSince ? m_failingSince->msecsTo(now) : 0;
    }

private:
    std::optional<QDateTime> m_failingSince;
};
