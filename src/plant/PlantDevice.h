#pragma once

#include <QString>

// What the agent knows about the device at one network address. A record without a name is no device.
struct PlantDevice {
    QString name;        // standard name, also the device's key in the limits file
    QString calibration; // calibration offset, as written
    QString probes;      // number of probes, as written
    QString group;
    float Limit1 = 0;
    float Limit2 = 0;
};
