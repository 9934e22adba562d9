#pragma once

#include <QDateTime>
#include <optional>

class Clock;
class EventLog;
class Control;
class MessageSender;
struct DeliveryState;
struct RecentCounts;

// The two periodic messages that tell the central station the plant is watched: the life test, every
// few hours while the supervision system shows signs of life, and the clock message once per day.
class LifeTestClock {
public:
    struct View {
        Control& lblTestVida;       // the interval in hours, brought within 1 to 24
        const RecentCounts& counts; // as the status update last counted them
        const Control& chkAlarms;
        const Control& txtDifHoraria;
        Control& lblFechaLifeTest;
        Control& lblFechaSynchro; // the date of the last clock message
    };

    // txtPlanta: the plant's name, which both messages begin with.
    LifeTestClock(View view, const Control& txtPlanta, const Clock& clock, const EventLog& log,
                  MessageSender& sender, DeliveryState& delivery);

    // Run by the alarm scan before its loop: sends the life test when it is due and the plant is alive.
    void lifeTestStep();
    // The scheduler's daily step: sends the clock message when none was acknowledged today.
    void SubSynchro();
    // Sends the clock message now; true when it was acknowledged.
    bool SendSynchroTime();

    // Time of the last acknowledged life test; the zero date until then, so the first one is due at once.
    // The wait for the next is counted on the monotonic clock from when it was acknowledged.
    const QDateTime& UltimoLifeTest() const { return m_ultimoLifeTest; }
    void setUltimoLifeTest(const QDateTime& when);
    static QDateTime zeroDate() {
        static const QDate zeroDay(1899, 12, 30);
        return QDateTime(zeroDay, QTime(0, 0));
    }

private:
    View m_view;
    const Control& m_txtPlanta;
    const Clock& m_clock;
    const EventLog& m_log;
    MessageSender& m_sender;
    DeliveryState& m_delivery;
    QDateTime m_ultimoLifeTest = zeroDate();
    std::optional<qint64> m_lifeTestMs; // monotonic time of the last life test; none: due at once
    std::optional<qint64> m_synchroMs;  // monotonic time of the last clock message sent by this run
};
