#include "watchdog/WatchdogLog.h"

Q_LOGGING_CATEGORY(lcWatchdog, "vornnet.watchdog")
