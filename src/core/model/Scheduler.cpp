#include "core/model/Scheduler.h"

#include "core/model/Control.h"
#include "core/runtime/Diagnostics.h"

#include <QScopeGuard>
#include <cstdio>

Scheduler::Scheduler(Control& lblProceso, std::function<bool()> skipOptimiza, QObject* parent)
    : QObject(parent), m_lblProceso(lblProceso), m_skipOptimiza(std::move(skipOptimiza)) {
    Timer3.setSingleShot(true);
    // A coarse timer may fire some percent early; the period is counted from the end of a run.
    Timer3.setTimerType(Qt::PreciseTimer);
    Timer3.setInterval(defaultPeriod);
    connect(&Timer3, &QTimer::timeout, this, &Scheduler::tick);
}

void Scheduler::setPeriod(std::chrono::milliseconds period) {
    Timer3.setInterval(static_cast<int>(period.count()));
}

void Scheduler::start() {
    Timer3.start();
}

void Scheduler::loadFinished() {
    m_loaded = true;
    if (m_heldTick) {
        m_heldTick = false;
        Timer3.stop();
        QTimer::singleShot(0, this, &Scheduler::tick);
    }
}

void Scheduler::stop() {
    m_stopped = true;
    Timer3.stop();
}

void Scheduler::tick() {
    if (m_stopped)
        return;
    if (!m_loaded) {
        // The load is still waiting for its databases; the steps would see settings not yet read.
        m_heldTick = true;
        return;
    }
    if (m_running)
        return;
    Diagnostics::handled("Timer3", [this] { run(); });
}

void Scheduler::call(const QString& label, const std::function<void()>& step) {
    m_lblProceso.setText(label);
    emit labelChanged(label);
    if (!step || m_stopped)
        return;
    try {
        step();
    } catch (const std::exception& e) {
        // Each step handles its own failures; this only keeps a slip in one step from stopping the rest.
        std::fprintf(stderr, "vornnet: paso %s: %s\n", qPrintable(label), e.what());
    }
}

bool Scheduler::callTest(const std::function<bool()>& step) {
    if (!step)
        return true;
    try {
        return step();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vornnet: paso de prueba: %s\n", e.what());
        return true;
    }
}

void Scheduler::run() {
    Timer3.stop();
    m_running = true;
    // Whatever ends the run (a handler of runFinished that throws), the next one comes a period later.
    const auto rearm = qScopeGuard([this] {
        m_running = false;
        if (!m_stopped)
            Timer3.start();
    });
    emit runStarting();
    call(QStringLiteral("Actualiza Datos"), m_steps.PreActualizaDatosVida);
    call(QStringLiteral("Actualiza Leds"), m_steps.ActualizaIcoNetActivo);
    call(QStringLiteral("CheckSMS"), m_steps.CheckSMS);
    call(QStringLiteral("Busca Alarmas"), m_steps.BuscaAlarmas);
    call(QStringLiteral("Sincroniza reloj"), m_steps.SubSynchro);
    call(QStringLiteral("Test Net Activo"), [this] {
        const bool processesOk = callTest(m_steps.checkNetActivo);
        const bool dataOk = callTest(m_steps.TestData);
        if (!(processesOk && dataOk)) {
            if (m_steps.MandaMensajeRestart)
                m_steps.MandaMensajeRestart();
            if (m_steps.ReiniciaGelmar)
                m_steps.ReiniciaGelmar();
        }
    });
    call(QStringLiteral("Optimiza"),
         m_skipOptimiza && m_skipOptimiza() ? std::function<void()>() : m_steps.Optimiza);
    m_lblProceso.setText(QStringLiteral("---"));
    emit labelChanged(m_lblProceso.text());
    ++m_runs;
    m_running = false;
    emit runFinished();
}
