#include "watchdog/OptimizaSchedule.h"

#include "core/text/LocalDateTime.h"

namespace OptimizaSchedule {

namespace {

constexpr int daysPerWeek = 7;

// Qt counts Monday as 1 and Sunday as 7; the schedule counts Sunday as 1.
int weekday(const QDate& date) {
    return date.dayOfWeek() % daysPerWeek + 1;
}

std::optional<QTime> timeOfDay(const QString& hour) {
    const QString text = hour.trimmed();
    for (const QString& format : {QStringLiteral("H:m"), QStringLiteral("H:m:s")}) {
        const QTime t = QTime::fromString(text, format);
        if (t.isValid())
            return t;
    }
    return std::nullopt;
}

} // namespace

std::optional<QDateTime> scheduled(const QDateTime& now, int day, const QString& hour) {
    const std::optional<QTime> at = timeOfDay(hour);
    if (!at)
        return std::nullopt;
    for (int i = 0; i <= daysPerWeek; ++i) {
        const QDate date = now.date().addDays(-i);
        if (weekday(date) == day)
            return QDateTime(date, *at);
    }
    return now;
}

std::optional<QDateTime> lastOptimisation(const QString& UltOptimiza) {
    const QString text = UltOptimiza.trimmed();
    if (text.isEmpty())
        return LocalDateTime::longAgo();
    for (const QString& format :
         {QStringLiteral("yyyy/M/d H:m:s"), QStringLiteral("yyyy/M/d H:m"), QStringLiteral("yyyy/M/d")}) {
        QDateTime t = QDateTime::fromString(text, format);
        if (t.isValid())
            return t;
    }
    return std::nullopt;
}

bool due(const QDateTime& now, const QDateTime& first, const QDateTime& second, const QDateTime& last) {
    return (now > first && last < first) || (now > second && last < second);
}

QString stamp(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

} // namespace OptimizaSchedule
