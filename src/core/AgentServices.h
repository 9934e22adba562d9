#pragma once

class Clock;
class Dialogs;
class EventLog;

// What nearly every step uses and none owns: the calendar clock, the event log and the message boxes.
// Built once by the composition root; each subsystem's own parts add only what that subsystem needs.
struct AgentServices {
    const Clock& clock;
    const EventLog& log;
    Dialogs& dialogs;
};
