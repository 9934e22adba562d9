#pragma once

#include "watchdog/Watchdog.h"

class Form1State;
struct AgentSettings;

// The slices of the window model and the settings that the composition root hands each step: every
// control a step reads or writes is named here once, beside the step that uses it.
namespace Views {
StatusUpdate::View statusUpdate(Form1State& form);
StatusUpdate::Limits statusLimits(const AgentSettings& settings);
NoDataRestart::View noDataRestart(Form1State& form);
GelmarProcesses::View gelmarProcesses(Form1State& form, const AgentSettings& settings);
Watchdog::View watchdog(Form1State& form);
} // namespace Views
