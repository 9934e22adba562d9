#pragma once

#include "plant/PlantDevice.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>

class Dialogs;

// The plant's devices as two ini files of the program folder describe them: redlocal.ini gives the
// standard name, probes and calibration at each network address, limites.ini the group names and each
// standard name's group and limits. Loaded once at start-up; the agent never writes these files.
class PlantFiles {
public:
    static constexpr int groupCount = 21; // entries 0 to 20; the file fills 0 to 10
    static constexpr int groupsRead = 11;
    static constexpr int deviceCount = 256; // network addresses 0 to 255

    // The locale gives the decimal separator of the limits.
    PlantFiles(QString programFolder, Dialogs& dialogs, QLocale regional);

    // The key of a network address in both files: address / 16 and address % 16, two digits each
    // (26 is "01:10").
    static QString addressKey(int address);

    // The start-up load step: the groups, then the devices.
    void load();
    void LoadGroups();
    // Fills the device table; one warning box for each named device without usable limits.
    void LoadStandardNames();

    const QStringList& groups() const { return m_groups; }
    const std::array<PlantDevice, deviceCount>& devices() const { return m_devices; }

    QString limitesPath() const;
    QString redlocalPath() const;

private:
    QString m_folder;
    Dialogs& m_dialogs;
    QLocale m_regional;
    QStringList m_groups;
    std::array<PlantDevice, deviceCount> m_devices;
};
