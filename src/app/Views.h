#pragma once

#include "app/ConfigScreen.h"
#include "core/model/Configuration.h"
#include "forwarding/Forwarding.h"
#include "sms/Sms.h"
#include "watchdog/MaintenanceParts.h"
#include "watchdog/Watchdog.h"

class Form1State;
struct AgentSettings;
struct RecentCounts;

// The slices of the window model and the settings that the composition root hands each step: every
// control a step reads or writes is named here once, beside the step that uses it, with the figures
// one step measures for the others.
namespace Views {
// The central-station link's fields, for the agent's forwarding and for `--test-link` alike.
CentralLink::View link(Form1State& form);
Forwarding::Views forwarding(Form1State& form, const RecentCounts& counts);
Sms::Views sms(Form1State& form);
StatusUpdate::View statusUpdate(Form1State& form, RecentCounts& counts, const bool& alarmsWatched);
StatusUpdate::Limits statusLimits(const AgentSettings& settings);
NoDataRestart::View noDataRestart(Form1State& form, const RecentCounts& counts);
GelmarProcesses::View gelmarProcesses(Form1State& form, const AgentSettings& settings);
Watchdog::View watchdog(Form1State& form);
MaintenanceParts::View maintenance(Form1State& form);
Configuration::View configuration(Form1State& form);
ConfigScreen::View configScreen(Form1State& form);
} // namespace Views
