#pragma once

#include <QDateTime>

// Records and alarms dated ahead of the agent's clock: a few minutes are the clocks' drift between the
// two machines and are tolerated; beyond that the supervision system's clock is wrong.
namespace FutureDatePolicy {
constexpr qint64 toleranceSecs = 5 * 60;

inline bool isFuture(const QDateTime& stamp, const QDateTime& now) {
    return stamp > now.addSecs(toleranceSecs);
}
} // namespace FutureDatePolicy
