#include "app/WindowShell.h"

#include "app/Agent.h"

#include <QDesktopServices>
#include <QUrl>

WindowShell::WindowShell(Agent& agent, QObject* parent)
    : QObject(parent), m_agent(agent), m_window(agent.form()) {
    m_tray.setCaption(agent.form().form1.text());
    connect(&m_window, &Form1Window::configurarClicked, &agent, &Agent::btnconfigurarClick);
    connect(&m_window, &Form1Window::cerrarClicked, &agent, &Agent::btnCerrarClick);
    connect(&m_window, &Form1Window::minimizarClicked, &agent, &Agent::Command1Click);
    connect(&m_window, &Form1Window::image1Clicked, &agent, &Agent::Image1Click);
    connect(&m_window, &Form1Window::label5Clicked, &agent, &Agent::Label5Click);
    connect(&m_window, &Form1Window::lblTimeClicked, &agent, &Agent::lblTimeClick);
    connect(&m_window, &Form1Window::logClicked, this, [this] {
        // Opens the log folder in the desktop's file manager.
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_agent.CarpetaLog()));
    });
    connect(&m_tray, &TrayIcon::showRequested, this, [this] {
        m_agent.mnuVornnetClick();
        m_window.restore();
    });
    connect(&agent, &Agent::trayCaptionChanged, this,
            [this](const QString& caption) { m_tray.setCaption(caption); });
}

void WindowShell::loaded() {
    m_tray.add();
}

void WindowShell::unload() {
    m_tray.remove();
    m_window.allowClose();
    m_window.close();
}
