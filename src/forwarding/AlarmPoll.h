#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <utility>

class Control;
class SupervisionDb;

// The fast alarm path: between the scheduler's runs, one look every period at the newest alarm id; when
// an alarm is newer than the position (and than what an earlier look already ran the scan for), the
// scan step runs at once, whole, as the scheduler runs it. A look that comes while another run is in
// progress, or while deliveries are failing, is dropped, not queued: the scheduler's runs go on as before
// and a failing station is not tried more often than they try it.
class AlarmPoll : public QObject {
    Q_OBJECT
public:
    struct Parts {
        // The last alarm handed on; none before the first start has set it. May throw AgentError.
        std::function<std::optional<qint64>()> position;
        // The newest alarm id recorded; none on an empty table. May throw AgentError.
        std::function<std::optional<qint64>()> newestId;
        // The scheduler's alarm scan step.
        std::function<void()> scan;
        // A scheduler run, a maintenance run, a scan or a manual run is in progress.
        std::function<bool()> busy;
        // Deliveries are failing: only the scheduler's runs retry.
        std::function<bool()> outage;
        // Shows whether the fast path is on; none: nothing shows it.
        Control* indicator = nullptr;
    };

    // While one is held, looks are dropped (something a scan must not run inside, such as the
    // configuration screen's save, is in progress).
    class Hold {
    public:
        explicit Hold(AlarmPoll& poll) : m_poll(&poll) { ++m_poll->m_holds; }
        Hold(Hold&& other) noexcept : m_poll(std::exchange(other.m_poll, nullptr)) {}
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        Hold& operator=(Hold&&) = delete;
        ~Hold() {
            if (m_poll)
                --m_poll->m_holds;
        }

    private:
        AlarmPoll* m_poll;
    };

    explicit AlarmPoll(Parts parts, QObject* parent = nullptr);

    // The newest id through the statement kept prepared for it.
    static std::optional<qint64> newestId(SupervisionDb& db);
    static QString indicatorText(std::chrono::milliseconds period);

    // Starts looking every period (after the load); a period of 0 leaves the fast path off.
    void start(std::chrono::milliseconds period);
    // For good.
    void stop();
    bool on() const { return m_timer.isActive(); }
    std::chrono::milliseconds period() const { return std::chrono::milliseconds(m_timer.interval()); }
    [[nodiscard]] Hold hold() { return Hold(*this); }

    // One look, as the timer makes it.
    void look();
    int looks() const { return m_looks; }
    int scans() const { return m_scans; }

signals:
    // A look found a new alarm and the scan it ran has ended.
    void scanned();

private:
    bool newAlarm();

    Parts m_p;
    QTimer m_timer;
    int m_holds = 0;
    bool m_inLook = false;
    bool m_stopped = false;
    // The newest id a look has run the scan for: an alarm the scan leaves behind on purpose (excluded,
    // older than the scan's 7 days) must not make every look scan again.
    qint64 m_scannedUpTo = 0;
    QString m_lastError; // told once until a look succeeds again
    int m_looks = 0;
    int m_scans = 0;
};
