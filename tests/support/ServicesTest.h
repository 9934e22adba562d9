#pragma once

#include "core/AgentServices.h"
#include "forwarding/BufferDb.h"
#include "support/TestCommon.h"

// The services nearly every step takes, for a fixture to build its parts on: a temporary folder, a clock
// the test moves, the boxes shown, and an event log in the folder.
class ServicesTest : public ::testing::Test {
protected:
    explicit ServicesTest(const QDateTime& start = FakeClock::defaultStart) : clock(start) {}

    AgentServices services() { return {clock, log, dialogs}; }
    // The event log's lines, as written so far.
    QStringList logLines() const { return eventLogLines(log.currentPath()); }

    QTemporaryDir dir;
    FakeClock clock;
    RecordingDialogs dialogs;
    EventLog log{dir.path(), clock};
};

// The buffer's notices of the last 7 days (as the scan resends them), as "device|alarm|beginend".
inline QStringList noticesOf(BufferDb& buffer, const QDateTime& now) {
    QStringList all;
    for (const BufferRow& row : buffer.rowsAfter(0, now.addDays(-7)))
        all << row.device + QLatin1Char('|') + row.alarm + QLatin1Char('|') + row.beginend;
    return all;
}
