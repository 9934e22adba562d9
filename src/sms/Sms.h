#pragma once

#include "core/AgentServices.h"
#include "sms/ModemDriver.h"

#include <QObject>
#include <QString>

class BufferDb;
class Control;
class StatusFile;
struct DeliveryState;

// The SMS fallback: SMS mode begins when deliveries to the central station have been failing for
// txtMaxNoNet minutes (and more than one), and ends at the first pass after a delivery succeeded again.
// Each transition is shown (lblModoSMS, lblMinMal), kept in status.ini (SMSON) and reported to the
// central station as a system alarm through the buffer. While SMS mode is on, the alarm scan sends what
// it can not deliver through the modem driver owned here. Also the window's SMS test button and the
// alarm-count check box.
class Sms : public QObject {
    Q_OBJECT
public:
    struct View {
        const Control& chkSMSEnabled;
        const Control& txtMaxNoNet; // minutes of failed deliveries before SMS mode
        const Control& txtRecipient;
        const Control& chkAlarms;
        Control& lblModoSMS;
        Control& lblMinMal; // minutes of failed deliveries, shown past the first
        Control& lblErrorSMS;
        Control& lblAlm;
        Control& lblAlmVidas;
    };
    struct Views {
        View sms;
        ModemDriver::View modem;
    };
    struct Parts {
        QString programFolder;
        Views views;
        bool& smsOn; // SMS mode, which the delivery reads
        const StatusFile& status;
        AgentServices services;
        BufferDb& buffer;
        DeliveryState& delivery;
    };

    static inline const QString modeNotice = QStringLiteral("Modo SMS Activado");
    static inline const QString testText = QStringLiteral("Test sms VORN");
    static inline const QString enableFirst = QStringLiteral("Active primero la casilla de SMS");

    explicit Sms(Parts parts, QObject* parent = nullptr);

    ModemDriver& driver() { return m_driver; }

    // Start-up, after the status flags are read: SMS mode stored as on goes on, with the failure dated
    // back by txtMaxNoNet + 1 minutes so that the first pass keeps it; no new system alarm.
    void RestauraModoSMS();
    // Scheduler step "CheckSMS".
    void CheckSMS();
    void btnTestSMS_Click();
    void lblErrorSMS_Click();
    void chkAlarms_Click();
    // Shows the alarm-count label and field when valor is 1: the alarm count is watched then.
    void VisibilidadAlm(int valor);
    // Whether the alarm count is watched, for the overall light; true until the settings say otherwise.
    const bool& alarmsWatched() const { return m_alarmsWatched; }
    // The program ends: a modem dialogue in progress ends now.
    void stop();

private:
    void enterSmsMode();
    void leaveSmsMode();
    void writeStatus(bool on);
    double maxNoNet();

    Parts m_p;
    ModemDriver m_driver;
    QString m_badMaxNoNet;
    bool m_alarmsWatched = true;
};
