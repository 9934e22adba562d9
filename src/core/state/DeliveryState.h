#pragma once

#include "core/runtime/Clock.h"

#include <QDateTime>
#include <optional>

// Whether deliveries to the central station are failing, and since when. Shared by every step that
// delivers (alarm scan, buffer resend, life test, clock) and read by the SMS mode check. How long the
// series has lasted is counted on the monotonic clock, so a clock step neither starts SMS mode nor holds
// it back; the wall time of the first failure is kept only to be shown.
struct DeliveryState {
    void delivered() {
        m_failingSince.reset();
        m_failingSinceMs.reset();
    }

    // Keeps the time of the first failure of a series: only a state with nothing pending takes now.
    void failed(const Clock& clock) {
        if (!m_failingSince)
            failingFor(clock, 0);
    }
    // A series known to have begun agoMs before now (SMS mode kept over a restart), whatever was pending.
    void failingFor(const Clock& clock, qint64 agoMs) {
        m_failingSince = clock.now().addMSecs(-agoMs);
        m_failingSinceMs = clock.monotonicMs() - agoMs;
    }

    bool failurePending() const { return m_failingSince.has_value(); }
    // Wall time of the first failure of the series in progress; none while deliveries succeed.
    const std::optional<QDateTime>& failingSince() const { return m_failingSince; }
    // How long the series in progress has lasted; 0 with none pending.
    qint64 msecsFailing(const Clock& clock) const {
        return m_failingSinceMs ? clock.monotonicMs() - *m_failingSinceMs : 0;
    }

private:
    std::optional<QDateTime> m_failingSince;
    std::optional<qint64> m_failingSinceMs;
};
