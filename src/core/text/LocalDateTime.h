#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>

// A local date and time of the supervision database, which carries no offset. Around a change of
// daylight-saving time such a text may name two instants (the repeated autumn hour) or none (the spring
// gap). Qt picks one of its own; the agent takes the earlier of two, so an ordinary alarm of the repeated
// hour is never read as dated ahead, and for a gap the instant just after it.
namespace LocalDateTime {

QDateTime resolve(QDate date, QTime time);

// A moment long before any record or schedule: what a missing last run or newest record counts as.
inline QDateTime longAgo() {
    return QDateTime(QDate(2000, 1, 1), QTime(0, 0)); // NOLINT(readability-magic-numbers): the date itself
}

} // namespace LocalDateTime
