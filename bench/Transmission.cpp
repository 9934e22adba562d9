#include "Transmission.h"

#include "BenchPlant.h"
#include "core/runtime/BoundedWait.h"
#include "support/Station.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace std::chrono_literals;

double Transmission::Result::mean() const {
    double sum = 0;
    for (double s : seconds)
        sum += s;
    return seconds.isEmpty() ? 0 : sum / static_cast<double>(seconds.size());
}

double Transmission::Result::percentile(double p) const {
    if (seconds.isEmpty())
        return 0;
    QList<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = static_cast<qsizetype>(std::ceil(p / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<qsizetype>(rank - 1, 0, sorted.size() - 1)];
}

Transmission::Result Transmission::measure(BenchPlant& plant, const Station& station, int count,
                                           std::chrono::milliseconds span, std::chrono::milliseconds minGap,
                                           std::chrono::milliseconds maxGap, std::chrono::milliseconds drain,
                                           quint32 seed, const std::function<bool()>& agentAlive) {
    Result r;
    QRandomGenerator random(seed);
    QFile record(station.record);
    qint64 readUpTo = 0;
    QByteArray partial;
    QList<double> inserted; // ms since the start, per alarm
    int received = 0;
    QElapsedTimer clock;
    clock.start();
    const auto now = [&] { return static_cast<double>(clock.nsecsElapsed()) / 1e6; };
    const auto gap = [&] {
        return static_cast<double>(minGap.count()) +
               random.generateDouble() * static_cast<double>((maxGap - minGap).count());
    };
    double nextInsert = gap();
    double lastInsert = 0;
    BoundedWait wait;
    for (;;) {
        const bool inserting = inserted.size() < count || now() < static_cast<double>(span.count());
        if (inserting && now() >= nextInsert) {
            if (plant.addAlarms(1) < 0) {
                r.error = QStringLiteral("insert failed: ") + plant.error();
                return r;
            }
            lastInsert = now();
            inserted.append(lastInsert);
            nextInsert = lastInsert + gap();
        }
        // Only what the station appended since the last read.
        if (record.isOpen() || record.open(QIODevice::ReadOnly)) {
            record.seek(readUpTo);
            partial += record.readAll();
            readUpTo = record.pos();
            qsizetype end;
            const double seen = now();
            while ((end = partial.indexOf('\n')) >= 0) {
                const QByteArray line = partial.left(end);
                // The agent's own notices (the status update's, from its buffer) go as ALARM too.
                if (line.contains("##ALARM##") && !line.contains("##SISTEMA##") &&
                    !line.contains("##AVISO##")) {
                    if (received >= inserted.size()) {
                        r.error = QStringLiteral("the station received an alarm that was not inserted");
                        return r;
                    }
                    r.seconds.append((seen - inserted[received]) / 1000.0);
                    ++received;
                }
                partial.remove(0, end + 1);
            }
        }
        if (!inserting && received == inserted.size())
            return r;
        if (!inserting && now() - lastInsert > static_cast<double>(drain.count())) {
            r.error = QStringLiteral("%1 of %2 alarms arrived").arg(received).arg(inserted.size());
            return r;
        }
        if (!agentAlive()) {
            r.error = QStringLiteral("the agent ended");
            return r;
        }
        wait.pause(5ms);
    }
}
