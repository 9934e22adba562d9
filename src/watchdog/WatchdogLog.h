#pragma once

#include <QLoggingCategory>

// What an integrator needs to diagnose the watchdog: failed restarts, unreadable processes, status
// update failures. The event log keeps only the system's own lines.
Q_DECLARE_LOGGING_CATEGORY(lcWatchdog)
