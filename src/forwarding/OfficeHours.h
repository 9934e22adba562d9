#pragma once

#include <QDateTime>

namespace OfficeHours {

// Outside office hours: before 07:00:00, after 16:00:00, or any time on a Saturday. Sunday counts like a
// weekday; 07:00:00 and 16:00:00 themselves are office hours.
constexpr int opensAtHour = 7;
constexpr int closesAtHour = 16;

inline bool outside(const QDateTime& event) {
    const QTime t = event.time();
    return t < QTime(opensAtHour, 0, 0) || t > QTime(closesAtHour, 0, 0) ||
           event.date().dayOfWeek() == Qt::Saturday;
}

} // namespace OfficeHours
