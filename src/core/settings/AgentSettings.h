#pragma once

#include <QDateTime>
#include <QStringList>

// Settings held in variables rather than window fields: read once at start-up, in
// effect until the next start.
struct AgentSettings {
    float MaxDb = 1000;   // database size alarm limit, Mb
    float minFree = 5;    // free disk alarm limit, Gb
    bool WebMode = false; // the network-server process is not required
    bool noMinimize = false;
    bool ControlFechasFuturas = false;
    bool FastFailover = false; // a refused link gives way to the next at once
    int AlarmPollMs = 0;       // the fast alarm path's period; 0: off
    qint16 DiaOptimiza = 3;    // 1 Sunday to 7 Saturday
    qint16 DiaOptimiza2 = 3;
    QString HoraOptimiza = QStringLiteral("08:00");
    QString UltOptimiza;
    QString DataToolRoot = QStringLiteral("/"); // the data tool's folders are looked up below it
    QString GelmarUnit;                         // the supervision system's systemd unit; empty: none
    QStringList smsAuxiliaries;                 // section SMS, keys 1 to 4, empty entries left out
};
