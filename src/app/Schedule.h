#pragma once

#include <functional>

class StepRunner;

// Timer3's steps by name, and the order and labels in which the runner runs them. A step not set is
// passed over (its subsystem is not part of this build).
struct Schedule {
    std::function<void()> PreActualizaDatosVida;
    std::function<void()> ActualizaIcoNetActivo;
    std::function<void()> CheckSMS;
    std::function<void()> BuscaAlarmas;
    std::function<void()> SubSynchro;
    // The process test and the data test; either failing restarts the supervision system.
    std::function<bool()> checkNetActivo;
    std::function<bool()> TestData;
    std::function<void()> MandaMensajeRestart;
    std::function<void()> ReiniciaGelmar;
    std::function<void()> Optimiza;
    // True while a reindex runs, which keeps the weekly optimisation out.
    std::function<bool()> skipOptimiza;

    // Hands the runner these steps in their order. Each is looked up as it runs, so a step set afterwards
    // counts; the schedule must outlive the runner.
    void addTo(StepRunner& runner);

private:
    // "Test Net Activo": both tests run, and a failure of either sends the notice and restarts.
    void testNetActivo() const;
};
