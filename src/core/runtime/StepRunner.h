#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>

// Timer3: runs a list of named steps in their order, telling the label of each as it begins. The timer
// is stopped for the length of a run and armed again at its end, so runs never overlap and the next one
// starts one period after the last one ended. The first run waits until the load of the window has
// finished. Which steps run is the owner's business: the runner knows only labels and work.
class StepRunner : public QObject {
    Q_OBJECT
public:
    struct Step {
        QString label;
        std::function<void()> run; // empty: the label is shown and nothing runs
    };

    explicit StepRunner(QObject* parent = nullptr);

    // Appended after the steps already added.
    void add(QString label, std::function<void()> run);

    // Until setPeriod says otherwise.
    static constexpr std::chrono::seconds defaultPeriod{30};

    void setPeriod(std::chrono::milliseconds period);
    std::chrono::milliseconds period() const { return std::chrono::milliseconds(Timer3.interval()); }

    // Arms Timer3 (the agent does so when the window is created).
    void start();
    // The load has finished: a tick held back meanwhile runs now.
    void loadFinished();
    // For good: the run in progress skips its remaining steps and no other run starts.
    void stop();
    bool running() const { return m_running; }
    int runs() const { return m_runs; }

    // Shown when a run has ended.
    static inline const QString idleLabel = QStringLiteral("---");

    QTimer Timer3;

signals:
    // A run begins, before its first step.
    void runStarting();
    // A step begins (its label), or a run has ended (idleLabel).
    void labelChanged(const QString& label);
    void runFinished();

private:
    void tick();
    void run();
    void call(const Step& step);

    QList<Step> m_steps;
    bool m_loaded = false;
    bool m_heldTick = false;
    bool m_running = false;
    bool m_stopped = false;
    int m_runs = 0;
};
