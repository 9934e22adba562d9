#pragma once

#include <QtGlobal>

// What the status update last counted in the supervision database, shown in lblNumVidas and lblAlmVidas
// and read by the life test and the no-data restart. Owned by the composition root, as the life test is
// built before the watchdog whose status update writes it.
struct RecentCounts {
    qint64 records = 0; // history records of the last 20 minutes
    qint64 alarms = 0;  // alarms of the last hour; counted only while chkAlarms is ticked, kept otherwise
};
