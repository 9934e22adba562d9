#pragma once

#include "core/AgentServices.h"
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
