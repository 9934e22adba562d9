#pragma once

#include "app/LogRetention.h"
#include "app/StatusServer.h"
#include "app/SystemdNotify.h"

#include <QObject>

class Agent;
class Clock;

// What a running agent offers to those who look after it in the field: the answer to --status, the
// systemd notifications and the pruning of old logs. Built beside the agent, never inside its steps.
class FieldServices : public QObject {
    Q_OBJECT
public:
    FieldServices(Agent& agent, const Clock& clock, QObject* parent = nullptr);

    // The load has ended with the agent running.
    void loaded();
    // The agent is about to unload.
    void stopping();

private:
    void afterRun();

    Agent& m_agent;
    const Clock& m_clock;
    StatusSnapshot m_snapshot;
    StatusServer m_server;
    SystemdNotify m_notify;
    LogRetention m_retention;
    bool m_stopping = false;
};
