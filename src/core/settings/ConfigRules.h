#pragma once

#include "core/settings/ConfigKeys.h"
#include "core/settings/DbEngine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// What start-up makes of each value of section CONFIG, and what to tell when that is not what was written.
// Start-up, the configuration screen and `vornnet --check` all read a value through here, so the warning
// "47x01 se toma como 47" can not drift from what the agent then does.
namespace ConfigRules {

// How a link to the central station is secured.
enum class TlsMode { Off, Cert, Psk };

enum class Severity { None, Warning, Failure };

// One value as start-up takes it: the text it ends up as, and a note when that is not what was written.
struct Reading {
    QString taken;
    Severity severity = Severity::None;
    QString note; // Spanish, names the key, the value written and what is taken; empty when None
};

// Ports: the number value written back as text; 0 (or no number at all) means the default port 1003.
QString portText(const QString& text);
// The port a link connects to, the one number every reader of a port field or key uses: the number value
// rounded (halves to the even neighbour); 0, no number, or one no port can have (outside 1 to 65535) is
// the default port.
constexpr quint16 defaultPort = 1003;
quint16 port(const QString& text);
// A check box: the number value rounded, not 0 is ticked.
bool checkState(const QString& text);
// The life test's interval in hours, brought within 1 to 24.
double lifeTestHours(const QString& text);
// Below minNoDataMinutes without data becomes minNoDataMinutes.
constexpr int minNoDataMinutes = 30;
double minNoData(const QString& text);
// The database size limit (MB): below smallestMaxDbMb becomes defaultMaxDbMb.
constexpr int smallestMaxDbMb = 500;
constexpr int defaultMaxDbMb = 1000;
double maxDb(const QString& text);
// The free-space limit (GB): below 1 becomes 5.
double minFree(const QString& text);

// Key AlarmPollMs: empty or 0 is off, 250 to 30000 is the period in ms; nullopt for anything else.
constexpr int minAlarmPollMs = 250;
constexpr int maxAlarmPollMs = 30000;
std::optional<int> alarmPollMs(const QString& text);
// The supervision system's installation folder when pathGelmar is empty.
inline constexpr const char* defaultPathGelmar = "C:\\Archivos de programa\\Brenvik\\Gelmar System";

// The supervision databases' engine: empty is odbc; nullopt for a text that is neither odbc nor sqlite.
std::optional<DbEngine> dbEngine(const QString& text);
// How many monthly logs are kept; 0 (keep them all) for empty, 0 or anything not a whole number above 0.
int logMonths(const QString& text);

// A station address that is only digits and dots but not a valid IPv4 address (192.168.1.300): it would
// be looked up as a host name and fail as one. A note naming the key; empty for anything else.
QString addressNote(const QString& key, const QString& text);
bool isAddressKey(const QString& key);
// A systemd unit name: letters, digits and ":_.@\-", not starting with '-', at most 255 characters.
bool isUnitName(const QString& text);

// A link's TLS mode: empty is off; nullopt for a text that is not off, cert or psk (without regard to case).
std::optional<TlsMode> tlsMode(const QString& text);
// The station certificate's SHA-256 fingerprints, comma-separated, as `openssl x509 -fingerprint -sha256`
// prints them (its "SHA256 Fingerprint=" prefix, colons, blanks and case optional): 32 bytes each. Empty
// for an empty text; nullopt when one is not 64 hexadecimal digits.
std::optional<QList<QByteArray>> tlsPins(const QString& text);

// The value of a key of section CONFIG (any capitalisation) as start-up takes it. An unknown key reads
// as written, with no note.
Reading read(const QString& key, const QString& text);

// Every key start-up reads from section CONFIG, in the capitalisation it reads them with.
QStringList knownKeys();

} // namespace ConfigRules
