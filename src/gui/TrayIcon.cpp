#include "gui/TrayIcon.h"

#include "gui/AgentIcon.h"

#include <QAction>

TrayIcon::TrayIcon(QObject* parent) : NotificationIcon(parent), m_icon(AgentIcon::icon()) {
    m_menu.setObjectName(QStringLiteral("mnuMenu"));
    m_menu.setTitle(QStringLiteral("Menu"));
    m_vornnet = m_menu.addAction(QStringLiteral("VornNet"));
    m_vornnet->setObjectName(QStringLiteral("mnuVornnet"));
    connect(m_vornnet, &QAction::triggered, this, &TrayIcon::showRequested);
    // The platform opens the context menu on the right button only; other clicks on the icon do nothing.
    m_icon.setContextMenu(&m_menu);
}

TrayIcon::~TrayIcon() {
    remove();
}

bool TrayIcon::areaAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TrayIcon::add(const QString& tip) {
    if (!areaAvailable())
        return false;
    m_icon.setToolTip(tip);
    m_icon.show();
    return true;
}

void TrayIcon::remove() {
    m_icon.hide();
}
