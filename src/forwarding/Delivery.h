#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class Clock;
class Control;
class EventLog;
class MessageSender;
class SmsSender;
class UltCodFile;
struct DeliveryState;

// How one message is handed on, for the alarm scan and the buffer resend alike: to the central station
// over its links, else, while SMS mode is on, by SMS to the main recipient. The position file moves past
// the message only once it has gone, and each hand-on writes its log line; a line the log can not take
// holds nothing up (the log counts and tells it).
class Delivery {
public:
    struct View {
        const Control& chkSMSEnabled;
        const Control& txtRecipient;
    };
    struct Parts {
        View view;
        const bool& smsOn;                 // SMS mode; the SMS subsystem turns it
        const QStringList& smsAuxiliaries; // read at start-up
        const Clock& clock;
        const EventLog& log;
        MessageSender& sender;
        DeliveryState& state;
        SmsSender* sms = nullptr; // none: no SMS is sent
    };

    enum class Handed { Delivered, BySms, No };

    explicit Delivery(Parts parts);

    void setSmsSender(SmsSender* sms) { m_p.sms = sms; }
    // Key FastFailover: while SMS mode is on, once every link has failed for one message, the rest of the
    // cycle goes straight to SMS instead of waiting out the links again for each message.
    void setFastFailover(bool on) { m_fastFailover = on; }
    // A new cycle tries the links first again.
    void newCycle() { m_linksFailed = false; }

    // The SMS form of a message, built only when the message goes by SMS.
    using SmsForm = std::function<QString()>;

    // One message to the central station, else by SMS while SMS mode is on; the position moves to id
    // only once it has gone.
    Handed handOn(const QString& message, const SmsForm& smsForm, const UltCodFile& position, qint64 id);
    // A live alarm that went by SMS also goes to the auxiliary recipients, each with its log line.
    void toAuxiliaries(const QString& message, const QString& smsText);

private:
    bool smsApplies() const;
    void savePosition(const UltCodFile& position, qint64 id) const;

    Parts m_p;
    bool m_fastFailover = false;
    bool m_linksFailed = false; // every link failed for a message of this cycle
};
