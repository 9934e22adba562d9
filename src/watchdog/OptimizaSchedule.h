#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// When the weekly optimisation is due. Days are numbered 1 Sunday to 7 Saturday; the hour is "hh:mm".
// Pure: the step around it reads the settings and the clock.
namespace OptimizaSchedule {

// The most recent occurrence of day at hour, today included even when the hour is still to come today.
// now itself when day is outside 1 to 7 (so it never falls due); none when hour is not a time of day.
std::optional<QDateTime> scheduled(const QDateTime& now, int day, const QString& hour);

// The last optimisation as status.ini keeps it; the empty text counts as 2000/01/01. None when the text
// is not a date.
std::optional<QDateTime> lastOptimisation(const QString& UltOptimiza);

// Due when now is past either scheduled time and the last optimisation came before it.
bool due(const QDateTime& now, const QDateTime& first, const QDateTime& second, const QDateTime& last);

// The stamp written to UltOptimiza: "yyyy/MM/dd HH:mm:ss".
QString stamp(const QDateTime& when);

} // namespace OptimizaSchedule
