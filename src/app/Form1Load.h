#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

using namespace std::chrono_literals;

class Clock;
class Dialogs;

// The load of the main window: a fixed sequence of steps, run in order, with the start-up error handler
// around each of them. A step signals failure by throwing AgentError; a step that may end the program
// returns false.
class Form1Load {
public:
    enum class Outcome {
        Loaded,      // every step ran
        Stopped,     // an error was shown under "Error Vorn-Net"; the later steps were skipped
        EndProgram,  // a step ended the program after telling the user why
        EndSilently, // another copy runs
    };

    struct Step {
        QString name;
        std::function<bool()> run; // false ends the program
        bool opensBuffer = false;  // the step marker: a failure here is a missing buffer database
        // Asked when the step ended the program: true says nothing (another copy runs).
        std::function<bool()> silentEnd = nullptr;
        // The step may end the program after a box: that box waits for its click, even in a resume.
        bool mayEnd = true;
    };

    // The step that stopped the load, and why.
    struct Failure {
        QString step;
        QString description;
    };

    Form1Load(const Clock& clock, Dialogs& dialogs);

    // How long an unspecified failure (the database server still starting) is retried, from the start.
    void setRetryWindow(std::chrono::milliseconds window) { m_retryWindow = window; }
    void setRetryPause(std::chrono::milliseconds pause) { m_retryPause = pause; }

    void add(Step step) { m_steps.append(std::move(step)); }
    // Asked before each step and after each failure: true (the program was told to end while a step
    // waited) ends the load silently.
    void setCancelled(std::function<bool()> cancelled) { m_cancelled = std::move(cancelled); }
    Outcome run();
    // After Stopped: runs again from the step that failed, without the retry and without the box of a
    // failure (which stays in failure()). Loaded once every step has run.
    Outcome resume();
    bool complete() const { return m_next >= m_steps.size(); }
    const std::optional<Failure>& failure() const { return m_failure; }

    const QDateTime& startTime() const { return m_start; }
    // Names of the steps that ran to their end, in order.
    const QStringList& done() const { return m_done; }

private:
    Outcome runFrom(bool resuming);
    // Tells a failure of a step: a box at the first run, only the record in a resume.
    Outcome stopped(const Step& step, const QString& description, bool resuming);

    const Clock& m_clock;
    Dialogs& m_dialogs;
    QList<Step> m_steps;
    QDateTime m_start;
    QStringList m_done;
    qsizetype m_next = 0; // the first step not yet run to its end
    std::optional<Failure> m_failure;
    std::chrono::milliseconds m_retryWindow{std::chrono::minutes(2)};
    std::chrono::milliseconds m_retryPause{500ms};
    std::function<bool()> m_cancelled = [] { return false; };
};
