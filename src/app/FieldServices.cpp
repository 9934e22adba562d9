#include "app/FieldServices.h"

#include "app/Agent.h"
#include "core/runtime/Clock.h"
#include "core/runtime/Diagnostics.h"

#include <QDir>

FieldServices::FieldServices(Agent& agent, const Clock& clock, QObject* parent)
    : QObject(parent), m_agent(agent), m_clock(clock),
      m_snapshot({agent.programFolder(), agent.form(), agent.flags(), agent.delivery(), agent.link(),
                  [&agent] { return agent.incompleteStartup(); }, &agent.eventLog()}),
      m_server(m_snapshot) {
    connect(&agent.scheduler(), &StepRunner::runFinished, this, &FieldServices::afterRun);
    // The reindex's statement may run for its 1800 s command time-out in one driver call.
    constexpr std::chrono::seconds longWork{2400};
    m_notify.allowLongWork([&agent] { return agent.maintenance().running(); }, longWork);
}

void FieldServices::loaded() {
    m_server.listen(m_agent.programFolder());
    m_notify.ready();
    afterRun();
}

void FieldServices::afterRun() {
    // After each scheduler run: what fails here is told and tried again after the next one.
    Diagnostics::handled("estado para systemd", [this] { m_notify.status(m_snapshot.summary()); });
    Diagnostics::handled("limpieza de registros", [this] {
        m_retention.run(QDir(m_agent.programFolder()).filePath(QStringLiteral("vornnet.ini")),
                        m_agent.CarpetaLog(), m_agent.programFolder(), m_clock.now().date());
    });
}

void FieldServices::stopping() {
    // Cerrar and the end of the event loop both come here.
    if (m_stopping)
        return;
    m_stopping = true;
    m_notify.stopping();
}
