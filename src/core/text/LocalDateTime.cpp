#include "core/text/LocalDateTime.h"

#include <QTimeZone>

#include <algorithm>

namespace LocalDateTime {

QDateTime resolve(QDate date, QTime time) {
    const QTimeZone zone = QTimeZone::systemTimeZone();
    // The wall reading taken as if it were UTC; an instant of the zone is it less the offset then.
    const QDateTime wall(date, time, Qt::UTC);
    // Offsets a day either side: every real zone keeps one offset for longer than that around a change.
    const int before = zone.offsetFromUtc(wall.addDays(-1));
    const int after = zone.offsetFromUtc(wall.addDays(1));
    if (before == after)
        return QDateTime(date, time); // the common case: one offset, one instant

    const QDateTime underBefore = wall.addSecs(-before);
    const QDateTime underAfter = wall.addSecs(-after);
    const bool beforeHolds = zone.offsetFromUtc(underBefore) == before;
    const bool afterHolds = zone.offsetFromUtc(underAfter) == after;
    QDateTime instant;
    if (beforeHolds && afterHolds)
        instant = std::min(underBefore, underAfter);
    else if (beforeHolds)
        instant = underBefore;
    else if (afterHolds)
        instant = underAfter;
    else
        // A gap: neither reading exists; the change itself is the first instant after it.
        instant = zone.nextTransition(std::min(underBefore, underAfter)).atUtc;
    return instant.isValid() ? instant.toLocalTime() : QDateTime(date, time);
}

} // namespace LocalDateTime
