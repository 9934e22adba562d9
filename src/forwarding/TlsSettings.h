#pragma once

#include "core/settings/ConfigRules.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

// How the links to the central station are secured, as section CONFIG of vornnet.ini says: read once at
// start-up (the files they name are read at each connection, see TlsFiles).
struct TlsSettings {
    static constexpr int linkCount = 3;

    // Each link's mode; a mode that could not be read is held as written, and that link then fails
    // without sending anything: a link meant to be secured is never used in plain text.
    std::array<ConfigRules::TlsMode, linkCount> modes{};
    std::array<QString, linkCount> badModes;
    QString caFile; // empty: the system's trust store
    QList<QByteArray> pins;
    QString badPins; // the text of TlsPin when it could not be read
    QString serverName;
    QString certFile;
    QString keyFile;
    QString pskIdentity;
    QString pskFile;

    // Link 1 primary, 2 secondary A, 3 secondary B.
    bool secured(int link) const;
    ConfigRules::TlsMode mode(int link) const { return modes[link - 1]; }
    bool anySecured() const;
    // Why the settings alone fail a secured link; empty when they do not.
    QString settingsProblem(int link) const;
    // The name the station's certificate must carry: TlsServerName, else the address the link connects to.
    QString peerName(const QString& address) const;

    // The keys of the ini file; relative paths are in the program folder.
    static TlsSettings fromIni(const QString& iniPath, const QString& programFolder);
    // The keys of each link's mode, in link order.
    static const char* modeKey(int link);
};
