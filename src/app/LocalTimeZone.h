#pragma once

#include <QByteArray>

// The C library looks at the zone file again (a stat of /etc/localtime) at every local-time conversion
// while TZ is unset, a dozen times per alarm. Setting TZ once, at start, to the zone the system has then,
// makes it read the zone once. A change of the system's zone is seen at the agent's next start.
namespace LocalTimeZone {

// The TZ value that names the system's zone: its IANA id when the zone database has it, else the zone
// file itself (":/etc/localtime").
QByteArray systemValue();

// Sets TZ to systemValue() unless TZ is set already. Call first thing in main().
void pin();

} // namespace LocalTimeZone
