#pragma once

#include "core/AgentServices.h"
#include "forwarding/AlarmScan.h"
#include "forwarding/BufferDb.h"
#include "forwarding/CentralLink.h"
#include "forwarding/Delivery.h"
#include "forwarding/Exclusions.h"
#include "forwarding/LifeTestClock.h"

#include <QString>

class Control;
class GelmarRestarter;
class SmsSender;
class StatusFile;
class SupervisionDb;
struct StatusFlags;
struct DeliveryState;

// The alarm-forwarding subsystem as one object: the central-station link, the buffer, the life test and
// clock, the exclusion list, the delivery fallback and the alarm scan, built once and wired together.
class Forwarding {
public:
    // The fields each step reads and writes; the subsystem's own two take what the databases say.
    struct Views {
        Control& txtPlanta; // the plant's name: set by the load, read by every message
        Control& Label5;
        CentralLink::View link;
        LifeTestClock::View lifeTest;
        Delivery::View delivery;
        AlarmScan::View scan;
    };
    struct Parts {
        QString programFolder;
        QString iniPath;
        Views views;
        StatusFlags& flags;                // SMS mode (read), the future-date condition (turned)
        const QStringList& smsAuxiliaries; // read at start-up
        const StatusFile& status;
        AgentServices services;
        SupervisionDb& db;
        DeliveryState& delivery;
    };

    explicit Forwarding(Parts parts);

    CentralLink& link() { return m_link; }
    BufferDb& buffer() { return m_buffer; }
    LifeTestClock& lifeTest() { return m_lifeTest; }
    AlarmScan& scan() { return m_scan; }

    // The seams the subsystems above implement.
    void setSmsSender(SmsSender* sms) { m_delivery.setSmsSender(sms); }
    void setRestarter(GelmarRestarter* restarter) { m_scan.setRestarter(restarter); }

    // Key FastFailover, for the link and for the SMS fallback.
    void setFastFailover(bool on) {
        m_link.setFastFailover(on);
        m_delivery.setFastFailover(on);
    }

    // Load steps.
    void openBuffer() { m_buffer.open(); }
    // txtPlanta takes the plant name of the configuration database; it stays as it was without one.
    void readPlantName();

    // Window actions.
    void Label5Click();

    // The program ends: nothing waits on the station and no cycle reopens the databases.
    void stop();

private:
    Parts m_p;
    BufferDb m_buffer;
    CentralLink m_link;
    LifeTestClock m_lifeTest;
    Exclusions m_exclusions;
    Delivery m_delivery;
    AlarmScan m_scan;
};
