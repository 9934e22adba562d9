#include "app/WindowShell.h"

#include "app/Agent.h"
#include "core/runtime/Diagnostics.h"

namespace {

// A click runs its action so that no failure of it leaves the window's event handler.
template <typename Receiver, typename Action>
auto guarded(const char* where, Receiver* receiver, Action action) {
    return [where, receiver, action] { Diagnostics::handled(where, [&] { (receiver->*action)(); }); };
}

} // namespace

WindowShell::WindowShell(Agent& agent, QObject* parent)
    : QObject(parent), m_agent(agent), m_window(agent.form()) {
    agent.tray().attachIcon(&m_tray);
    connect(&m_window, &Form1Window::configurarClicked, &agent,
            guarded("btnconfigurarClick", &agent, &Agent::btnconfigurarClick));
    connect(&m_window, &Form1Window::cerrarClicked, &agent,
            guarded("btnCerrarClick", &agent, &Agent::btnCerrarClick));
    connect(&m_window, &Form1Window::minimizarClicked, &agent,
            guarded("Command1Click", &agent, &Agent::Command1Click));
    connect(&m_window, &Form1Window::closeBoxClicked, &agent,
            guarded("closeBoxClick", &agent, &Agent::closeBoxClick));
    connect(&agent.tray(), &Tray::minimiseRequested, &m_window, &QWidget::showMinimized);
    connect(&m_window, &Form1Window::image1Clicked, &agent,
            guarded("Image1Click", &agent, &Agent::Image1Click));
    connect(&m_window, &Form1Window::label5Clicked, &agent,
            guarded("Label5Click", &agent, &Agent::Label5Click));
    connect(&m_window, &Form1Window::lblTimeClicked, &agent,
            guarded("lblTimeClick", &agent, &Agent::lblTimeClick));
    connect(&m_window, &Form1Window::reindexClicked, &agent,
            guarded("btnReindexClick", &agent, &Agent::btnReindexClick));
    connect(&m_window, &Form1Window::repHistClicked, &agent,
            guarded("btnRepHistClick", &agent, &Agent::btnRepHistClick));
    connect(&m_window, &Form1Window::testSmsClicked, &agent.sms(),
            guarded("btnTestSMS_Click", &agent.sms(), &Sms::btnTestSMS_Click));
    connect(&m_window, &Form1Window::lblErrorSMSClicked, &agent.sms(),
            guarded("lblErrorSMS_Click", &agent.sms(), &Sms::lblErrorSMS_Click));
    connect(&m_window, &Form1Window::chkAlarmsClicked, &agent.sms(),
            guarded("chkAlarms_Click", &agent.sms(), &Sms::chkAlarms_Click));
    connect(&m_window, &Form1Window::logClicked, &agent, guarded("btnLogClick", &agent, &Agent::btnLogClick));
    connect(&m_tray, &TrayIcon::showRequested, this, [this] {
        m_agent.mnuVornnetClick();
        m_window.restore();
    });
}

void WindowShell::unload() {
    m_window.allowClose();
    m_window.close();
}
