#pragma once

#include "gui/Form1Window.h"
#include "gui/TrayIcon.h"

#include <QObject>

class Agent;

// The attended agent's widgets: the main window and the tray icon, wired to the agent's actions.
class WindowShell : public QObject {
    Q_OBJECT
public:
    explicit WindowShell(Agent& agent, QObject* parent = nullptr);

    Form1Window& window() { return m_window; }
    // The program's own unload: the window may close.
    void unload();

private:
    Agent& m_agent;
    Form1Window m_window;
    TrayIcon m_tray;
};
