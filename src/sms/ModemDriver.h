#pragma once

#include "core/runtime/BoundedWait.h"
#include "forwarding/SmsSender.h"
#include "sms/ModemLog.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <chrono>

using namespace std::chrono_literals;

class Clock;
class EventLog;
class Control;
struct SerialPortName;

// The GSM modem on its serial port (txtComPort, read at each operation; 19200,N,8,1; the modem-control
// lines are left alone). It sends text messages, reads the signal quality into lblSignal and
// ProgressBar1, and resets the modem after a time-out. Every wait lets events run, so a timer step or a
// click can start a second operation in the middle of one: the busy mark (SmsOn/SmsOff) makes that
// second operation return at once, so two dialogues never interleave on the port.
class ModemDriver : public QObject, public SmsSender {
    Q_OBJECT
public:
    struct Waits {
        std::chrono::milliseconds step{10s};  // for each command's answer
        std::chrono::milliseconds reset{10s}; // for the answer to AT&F, the opening included
        std::chrono::milliseconds settle{2s}; // after opening, before the first command
    };

    struct View {
        const Control& txtComPort;
        Control& lblSignal; // the reading, red while the modem is busy
        Control& ProgressBar1;
        Control& lblErrorSMS;
    };

    static inline const QString lengthError = QStringLiteral("Longitud número incorrecta");
    static inline const QString errorAnswer = QStringLiteral("El Modem ha respondido ERROR");
    static inline const QString resetError = QStringLiteral("Error reiniciando modem");

    ModemDriver(View view, const Clock& clock, const EventLog& log, const QString& programFolder,
                QObject* parent = nullptr);
    ~ModemDriver() override;

    void setWaits(const Waits& waits) { m_waits = waits; }

    // Sends one message; true only when the modem took it and answered "OK" after its text. A busy
    // modem, no modem, a wrong number, a refused step or a time-out give false: nothing was sent.
    bool MandaMensaje(const QString& Texto, const QString& numero) override;
    // Reads the signal quality into lblSignal and ProgressBar1; the port stays open until the next
    // operation.
    void SMSQuality();

    bool busy() const { return m_busy; }
    // The program ends: a wait in progress ends now and no operation starts.
    void stop();

private:
    enum class Outcome { Awaited, Error, TimedOut, Failed };

    void ResetModem();
    void SmsOn();
    void SmsOff();
    // False for no modem and for a text that names no port, reported as a port problem.
    bool usable(const SerialPortName& port);
    // Closes the port if open, then opens it with the line settings; a failure is reported.
    bool openPort(const SerialPortName& port);
    void closePort();
    // Discards what arrived before the dialogue: a late answer to an earlier command must not be taken
    // for the answer to the next one.
    void discardInput();
    // Writes one command and reads until the awaited text, "ERROR" CR, or the time limit.
    Outcome step(const QByteArray& command, QByteArrayView awaited, std::chrono::milliseconds limit);
    bool write(const QByteArray& bytes);
    // A port problem is shown, logged and told once for each change, never at every tick.
    void portProblem(const QString& problem);

    View m_view;
    const Clock& m_clock;
    const EventLog& m_log;
    ModemLog m_modemLog;
    QSerialPort MSComm1;
    BoundedWait m_wait;
    Waits m_waits;
    QByteArray m_reply;
    QString m_portProblem;
    bool m_busy = false;
    bool m_stopped = false;
};
