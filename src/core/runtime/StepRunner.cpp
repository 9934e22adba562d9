#include "core/runtime/StepRunner.h"

#include "core/runtime/Diagnostics.h"

#include <QScopeGuard>
#include <cstdio>

StepRunner::StepRunner(QObject* parent) : QObject(parent) {
    Timer3.setSingleShot(true);
    // A coarse timer may fire some percent early; the period is counted from the end of a run.
    Timer3.setTimerType(Qt::PreciseTimer);
    Timer3.setInterval(defaultPeriod);
    connect(&Timer3, &QTimer::timeout, this, &StepRunner::tick);
}

void StepRunner::add(QString label, std::function<void()> run) {
    m_steps.append({std::move(label), std::move(run)});
}

void StepRunner::setPeriod(std::chrono::milliseconds period) {
    Timer3.setInterval(static_cast<int>(period.count()));
}

void StepRunner::start() {
    Timer3.start();
}

void StepRunner::loadFinished() {
    m_loaded = true;
    if (m_heldTick) {
        m_heldTick = false;
        Timer3.stop();
        QTimer::singleShot(0, this, &StepRunner::tick);
    }
}

void StepRunner::stop() {
    m_stopped = true;
    Timer3.stop();
}

void StepRunner::tick() {
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

void StepRunner::call(const Step& step) {
    emit labelChanged(step.label);
    if (!step.run || m_stopped)
        return;
    try {
        step.run();
    } catch (const std::exception& e) {
        // Each step handles its own failures; this only keeps a slip in one step from stopping the rest.
        std::fprintf(stderr, "vornnet: paso %s: %s\n", qPrintable(step.label), e.what());
    }
}

void StepRunner::run() {
    Timer3.stop();
    m_running = true;
    // Whatever ends the run (a handler of runFinished that throws), the next one comes a period later.
    const auto rearm = qScopeGuard([this] {
        m_running = false;
        if (!m_stopped)
            Timer3.start();
    });
    emit runStarting();
    // A copy: a step that adds another does not move the list under the loop.
    const QList<Step> steps = m_steps;
    for (const Step& step : steps)
        call(step);
    emit labelChanged(idleLabel);
    ++m_runs;
    m_running = false;
    emit runFinished();
}
