#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

class Control;

// Timer3: runs the periodic steps in their fixed order, naming each in lblProceso. The timer is stopped
// for the length of a run and armed again at its end, so runs never overlap and the next one starts one
// period after the last one ended. The first run waits until the load of the window has finished.
class Scheduler : public QObject {
    Q_OBJECT
public:
    struct Steps {
        std::function<void()> PreActualizaDatosVida;
        std::function<void()> ActualizaIcoNetActivo;
        std::function<void()> CheckSMS;
        std::function<void()> BuscaAlarmas;
        std::function<void()> SubSynchro;
        std::function<bool()> checkNetActivo;
        std::function<bool()> TestData;
        std::function<void()> MandaMensajeRestart;
        std::function<void()> ReiniciaGelmar;
        std::function<void()> Optimiza;
    };

    // skipOptimiza: true while a reindex runs, which keeps the weekly optimisation out.
    Scheduler(Control& lblProceso, std::function<bool()> skipOptimiza, QObject* parent = nullptr);

    // Steps not set yet are passed over (their subsystems are not part of this build).
    Steps& steps() { return m_steps; }

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

    QTimer Timer3;

signals:
    // A run begins, before its first step.
    void runStarting();
    // lblProceso changed: a step begins, or "---" at the end of a run.
    void labelChanged(const QString& label);
    void runFinished();

private:
    void tick();
    void run();
    void call(const QString& label, const std::function<void()>& step);
    bool callTest(const std::function<bool()>& step);

    Control& m_lblProceso;
    std::function<bool()> m_skipOptimiza;
    Steps m_steps;
    bool m_loaded = false;
    bool m_heldTick = false;
    bool m_running = false;
    bool m_stopped = false;
    int m_runs = 0;
};
