#pragma once

#include <QList>
#include <QString>
#include <chrono>
#include <functional>

class BenchPlant;
struct Station;

// The time from an alarm's insert into FlashAlarms to its receipt at the station, for alarms recorded at
// random moments while the agent runs. Alarms go in one at a time and the agent forwards them in id
// order, so the n-th ALARM the station records (not counting the agent's own notices) is the n-th alarm
// inserted.
class Transmission {
public:
    struct Result {
        QList<double> seconds; // one per alarm, in insert order
        QString error;         // not empty: the run did not complete
        double mean() const;
        double percentile(double p) const; // nearest rank
    };

    // Inserts alarms with random gaps drawn uniformly from [minGap, maxGap] until `count` alarms are in
    // and at least `span` has passed, then waits up to `drain` for the last to arrive. The station's
    // record is read every few milliseconds: receipt times are late by at most that.
    static Result measure(BenchPlant& plant, const Station& station, int count,
                          std::chrono::milliseconds span, std::chrono::milliseconds minGap,
                          std::chrono::milliseconds maxGap, std::chrono::milliseconds drain, quint32 seed,
                          const std::function<bool()>& agentAlive);
};
