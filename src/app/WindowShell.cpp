#include "app/WindowShell.h"

#include "app/Agent.h"

WindowShell::WindowShell(Agent& agent, QObject* parent)
    : QObject(parent), m_agent(agent), m_window(agent.form()) {
    agent.tray().attachIcon(&m_tray);
    connect(&m_window, &Form1Window::configurarClicked, &agent, &Agent::btnconfigurarClick);
    connect(&m_window, &Form1Window::cerrarClicked, &agent, &Agent::btnCerrarClick);
    connect(&m_window, &Form1Window::minimizarClicked, &agent, &Agent::Command1Click);
    connect(&m_window, &Form1Window::closeBoxClicked, &agent, &Agent::closeBoxClick);
    connect(&agent.tray(), &Tray::minimiseRequested, &m_window, &QWidget::showMinimized);
    connect(&m_window, &Form1Window::image1Clicked, &agent, &Agent::Image1Click);
    connect(&m_window, &Form1Window::label5Clicked, &agent, &Agent::Label5Click);
    connect(&m_window, &Form1Window::lblTimeClicked, &agent, &Agent::lblTimeClick);
    connect(&m_window, &Form1Window::reindexClicked, &agent, &Agent::btnReindexClick);
    connect(&m_window, &Form1Window::repHistClicked, &agent, &Agent::btnRepHistClick);
    connect(&m_window, &Form1Window::testSmsClicked, &agent.sms(), &Sms::btnTestSMS_Click);
    connect(&m_window, &Form1Window::lblErrorSMSClicked, &agent.sms(), &Sms::lblErrorSMS_Click);
    connect(&m_window, &Form1Window::chkAlarmsClicked, &agent.sms(), &Sms::chkAlarms_Click);
    connect(&m_window, &Form1Window::logClicked, &agent, &Agent::btnLogClick);
    connect(&m_tray, &TrayIcon::showRequested, this, [this] {
        m_agent.mnuVornnetClick();
        m_window.restore();
    });
}

void WindowShell::unload() {
    m_window.allowClose();
    m_window.close();
}
