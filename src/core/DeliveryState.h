#pragma once

#include <QDateTime>

// Whether deliveries to the central station are failing, and since when. Shared by every step that
// delivers (alarm scan, buffer resend, life test, clock) and read by the SMS mode check.
struct DeliveryState {
    QDateTime FechaPrimerFallo = noFailure();

    // The value that means no failure is pending.
    static QDateTime noFailure() { return QDateTime(QDate(2100, 1, 1), QTime(0, 0)); }

    void delivered() { FechaPrimerFallo = noFailure(); }

    // Keeps the time of the first failure of a series: only a state with nothing pending takes now.
    void failed(const QDateTime& now) {
        if (!failurePending())
            FechaPrimerFallo = now;
    }

    bool failurePending() const { return FechaPrimerFallo <= QDateTime(QDate(2099, 1, 1), QTime(0, 0)); }
};
