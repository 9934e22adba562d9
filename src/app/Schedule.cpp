#include "app/Schedule.h"

#include "core/runtime/StepRunner.h"

#include <cstdio>

namespace {

std::function<void()> lookedUp(const std::function<void()>& step) {
    return [&step] {
        if (step)
            step();
    };
}

// A test that throws counts as passed: a slip in a test is no reason to restart the supervision system.
bool passes(const std::function<bool()>& test) {
    if (!test)
        return true;
    try {
        return test();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vornnet: paso de prueba: %s\n", e.what());
        return true;
    }
}

} // namespace

void Schedule::addTo(StepRunner& runner) {
    runner.add(QStringLiteral("Actualiza Datos"), lookedUp(PreActualizaDatosVida));
    runner.add(QStringLiteral("Actualiza Leds"), lookedUp(ActualizaIcoNetActivo));
    runner.add(QStringLiteral("CheckSMS"), lookedUp(CheckSMS));
    runner.add(QStringLiteral("Busca Alarmas"), lookedUp(BuscaAlarmas));
    runner.add(QStringLiteral("Sincroniza reloj"), lookedUp(SubSynchro));
    runner.add(QStringLiteral("Test Net Activo"), [this] { testNetActivo(); });
    runner.add(QStringLiteral("Optimiza"), [this] {
        if (!(skipOptimiza && skipOptimiza()) && Optimiza)
            Optimiza();
    });
}

void Schedule::testNetActivo() const {
    const bool processesOk = passes(checkNetActivo);
    const bool dataOk = passes(TestData);
    if (processesOk && dataOk)
        return;
    if (MandaMensajeRestart)
        MandaMensajeRestart();
    if (ReiniciaGelmar)
        ReiniciaGelmar();
}
