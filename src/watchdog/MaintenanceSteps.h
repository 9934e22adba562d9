#pragma once

#include "core/runtime/BoundedWait.h"
#include "supervision/SupervisionDb.h"
#include "watchdog/MaintenanceParts.h"
#include "watchdog/StepError.h"

#include <QColor>
#include <QSqlRecord>
#include <QString>
#include <chrono>

class AgentError;

// What the reindex and the repair share: the progress in paso, the waits that let events run, the
// maintenance statements with the failures they pass over, the relaunch of the supervision system, and
// the rule that one maintenance run at a time holds the system stopped.
class MaintenanceSteps {
public:
    using Duration = std::chrono::milliseconds;

    static inline const QColor red{255, 0, 0};
    static inline const QColor green{0, 255, 0};
    static inline const QString alreadyStarted = QStringLiteral("El proceso ya se ha iniciado");
    // The run-time error a program that cannot be started raises.
    static constexpr quint32 fileNotFound = 53;

    explicit MaintenanceSteps(MaintenanceParts& parts);

    // A maintenance run holds the supervision system from its kill to its relaunch; another one must
    // not stop or start it meanwhile.
    bool busy() const { return m_busy; }
    class Hold {
    public:
        explicit Hold(bool& busy) : m_busy(busy) { m_busy = true; }
        ~Hold() { m_busy = false; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        bool& m_busy;
    };
    Hold hold() { return Hold(m_busy); }

    // The program is ending: waits end at once, and no statement runs any more.
    void stop() {
        m_stopped = true;
        m_wait.wake();
    }
    bool stopped() const { return m_stopped; }

    void show(const QString& paso);
    // Pending events run once, so the window shows what was just set before a long statement.
    void letEventsRun();
    // Events run for length while paso shows prefix + whole seconds elapsed + "/" + the length in
    // seconds, and ProgressBar1 the seconds; the bar gets its value back at the end.
    void countedWait(const QString& prefix, Duration length);
    // Events run for length, nothing shown.
    void pause(Duration length);

    // One maintenance statement. A command that failed and a missing object are passed over (told on
    // standard error); any other failure throws AgentError.
    QList<QSqlRecord> run(SupervisionDb::Which which, const QString& statement);

    // GSNET.EXE from the installation folder, then the data tool at each of its places that holds it,
    // with the installation folder as working folder. Throws AgentError when one cannot be started.
    void relaunch();
    // After a failure: the system that was stopped is started again; a relaunch that fails too is told.
    void relaunchAfterFailure();

    // A failure shown in txtError, in the event log once per distinct text and on standard error.
    void report(const QString& text) { m_error.report(text); }
    // The error as the system shows it: the number as a signed 32-bit value, separator, description.
    static QString errorText(const AgentError& e, const QString& separator);

    // The command time-out of a connection raised for a scope and given back at its end, whatever way
    // the scope ends.
    class RaisedTimeout {
    public:
        RaisedTimeout(SupervisionDb& db, SupervisionDb::Which which, std::chrono::seconds timeout)
            : m_db(db), m_which(which), m_before(db.commandTimeout(which)) {
            m_db.setCommandTimeout(m_which, timeout);
        }
        ~RaisedTimeout() { m_db.setCommandTimeout(m_which, m_before); }
        RaisedTimeout(const RaisedTimeout&) = delete;
        RaisedTimeout& operator=(const RaisedTimeout&) = delete;

    private:
        SupervisionDb& m_db;
        SupervisionDb::Which m_which;
        std::chrono::seconds m_before;
    };

private:
    MaintenanceParts& m_p;
    StepError m_error;
    bool m_busy = false;
    bool m_stopped = false;
    BoundedWait m_wait; // the pauses and counted waits, woken by stop()
};
