#pragma once

#include <QLoggingCategory>
#include <functional>

// What an integrator needs to know beside the event log's fixed lines: why a delivery, a database or a
// cycle failed. Lines go to standard error as "category: text" (the journal keeps them under systemd) and
// can be filtered with QT_LOGGING_RULES, for example "vornnet.link.warning=false".
Q_DECLARE_LOGGING_CATEGORY(lcAgent)  // vornnet.agent: start and stop
Q_DECLARE_LOGGING_CATEGORY(lcDb)     // vornnet.db: the supervision databases
Q_DECLARE_LOGGING_CATEGORY(lcBuffer) // vornnet.buffer: buffer.mdb
Q_DECLARE_LOGGING_CATEGORY(lcLink)   // vornnet.link: deliveries to the central station
Q_DECLARE_LOGGING_CATEGORY(lcScan)   // vornnet.scan: the alarm scan's cycles
Q_DECLARE_LOGGING_CATEGORY(lcLog)    // vornnet.log: event-log lines that could not be written

namespace Diagnostics {

// Every log message to standard error, one line each, whatever the terminal or service manager: a
// message must not depend on where the process was started from to be seen.
void toStandardError();

// In a desktop session nobody reads standard error: every line also goes, with its date and time, to a
// file (beside the event log). When it passes maxBytes it becomes path + ".1" (the one before is
// dropped) and a new file starts, so the two never hold more than twice maxBytes.
static constexpr qint64 fileMaxBytes = 1024 * 1024;
inline const char* const fileName = "vornnet-diagnostico.log";
void alsoToFile(const QString& path, qint64 maxBytes = fileMaxBytes);

// Runs an event handler (a slot, a timer's or a socket's callback) so that no exception leaves it: Qt's
// event loop would end the process. What is caught is told on vornnet.agent once per distinct text for
// that handler, and again only after a run without one. False when something was caught.
bool handled(const char* where, const std::function<void()>& handler);

// At most maxBytes of raw bytes as quoted text, bytes outside printable ASCII as \xNN.
inline constexpr qsizetype quotedBytes = 40;
QString quoted(const QByteArray& bytes, qsizetype maxBytes = quotedBytes);

} // namespace Diagnostics
