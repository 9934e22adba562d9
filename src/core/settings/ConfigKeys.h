#pragma once

#include <QString>

// The keys of section CONFIG of vornnet.ini: the one table that start-up reads and the configuration
// screen writes. Several keys are read under one capitalisation and written under another; ini keys
// match without regard to case, so both find the same entry.
namespace ConfigKeys {

// What start-up does with the text it reads.
enum class Rule {
    Text,      // copied as read
    Port,      // number value written back as text; 0 becomes "1003"
    Check,     // check state: the number value rounded, not 0 is checked
    MinNoData, // number value, below 30 becomes 30
    Path,      // empty becomes the default installation folder
    LifeTest,  // copied as read; the life test brings its hours within 1 to 24 at each run
};

struct Field {
    const char* readAs;
    const char* writeAs;
    Rule rule;
};

// The fields the configuration screen unlocks, in the order it writes them. The window's control of each
// is bound in core/model/ConfigFields.h, in the same order.
inline constexpr Field fields[] = {
    {"RemotePort", "RemotePort", Rule::Port},
    {"IpQuarnCenter", "IpQuarnCenter", Rule::Text},
    {"LifeTest", "LifeTest", Rule::LifeTest},
    {"RemotePortA", "RemotePortA", Rule::Port},
    {"IpQuarnCenterA", "IpQuarnCenterA", Rule::Text},
    {"RemotePortB", "RemotePortB", Rule::Port},
    {"IpQuarnCenterB", "IpQuarnCenterB", Rule::Text},
    {"ChkRestart", "chkRestart", Rule::Check},
    {"ChkOptimiza", "chkOptimiza", Rule::Check},
    {"MinNoData", "MinNoData", Rule::MinNoData},
    {"pathGelmar", "pathGelmar", Rule::Path},
    {"ChkAlarms", "chkAlarms", Rule::Check},
    {"DifTime", "difTime", Rule::Text},
    {"smsEnabled", "SmsEnabled", Rule::Check},
    {"comport", "ComPort", Rule::Text},
    {"recipient", "Recipient", Rule::Text},
    {"maxnonet", "MaxNoNet", Rule::Text},
};

// Keys held in variables: read once at start, never written by the agent.
inline constexpr const char* MaxDb = "MaxDb";
inline constexpr const char* minFree = "minFree";
inline constexpr const char* WebMode = "WebMode";
inline constexpr const char* noMinimize = "noMinimize";
inline constexpr const char* ControlFechasFuturas = "ControlFechasFuturas";
inline constexpr const char* FastFailover = "FastFailover";
// Between scheduler runs, how often to look for a new alarm (ms); 0: only the scheduler's runs.
inline constexpr const char* AlarmPollMs = "AlarmPollMs";
inline constexpr const char* DiaOptimiza = "DiaOptimiza";
inline constexpr const char* DiaOptimiza2 = "DiaOptimiza2";
inline constexpr const char* HoraOptimiza = "HoraOptimiza";
// The folder below which the data tool's two installation folders are looked up ("/" when empty).
inline constexpr const char* DataToolRoot = "DataToolRoot";
// The supervision databases' engine and ODBC connection.
inline constexpr const char* DbEngine = "DbEngine";
inline constexpr const char* OdbcDriver = "OdbcDriver";
inline constexpr const char* DbServer = "DbServer";
inline constexpr const char* DbUser = "DbUser";
inline constexpr const char* DbPassword = "DbPassword";
// Replaces the access code of the configuration screen and of Cerrar when not empty.
inline constexpr const char* AccessCode = "AccessCode";
// How many monthly logs are kept, the current month included; 0 or empty keeps them all.
inline constexpr const char* LogMonths = "LogMonths";
// The supervision system's systemd unit: when named, its restarts go through systemd; empty: the agent
// kills and starts its processes itself.
inline constexpr const char* GelmarUnit = "GelmarUnit";
// The secured link: each link's mode (off, cert or psk), the certificates to trust, the station's
// fingerprints and name, the agent's own certificate and key, and the pre-shared key.
inline constexpr const char* TlsMode = "TlsMode";
inline constexpr const char* TlsModeA = "TlsModeA";
inline constexpr const char* TlsModeB = "TlsModeB";
inline constexpr const char* TlsCaFile = "TlsCaFile";
inline constexpr const char* TlsPin = "TlsPin";
inline constexpr const char* TlsServerName = "TlsServerName";
inline constexpr const char* TlsCertFile = "TlsCertFile";
inline constexpr const char* TlsKeyFile = "TlsKeyFile";
inline constexpr const char* TlsPskIdentity = "TlsPskIdentity";
inline constexpr const char* TlsPskFile = "TlsPskFile";

inline constexpr const char* variables[] = {
    MaxDb,        minFree,     WebMode,        noMinimize,   ControlFechasFuturas,
    FastFailover, DiaOptimiza, DiaOptimiza2,   HoraOptimiza, DataToolRoot,
    DbEngine,     OdbcDriver,  DbServer,       DbUser,       DbPassword,
    AccessCode,   LogMonths,   AlarmPollMs,    GelmarUnit,   TlsMode,
    TlsModeA,     TlsModeB,    TlsCaFile,      TlsPin,       TlsServerName,
    TlsCertFile,  TlsKeyFile,  TlsPskIdentity, TlsPskFile};

} // namespace ConfigKeys
