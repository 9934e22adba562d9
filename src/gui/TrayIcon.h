#pragma once

#include "tray/NotificationIcon.h"

#include <QMenu>
#include <QString>
#include <QSystemTrayIcon>

class QAction;

// The agent's icon in the notification area, on the platform's tray icon. Its popup menu, opened by the
// right button, brings the main window back; other clicks on the icon do nothing.
class TrayIcon : public NotificationIcon {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // The popup menu "mnuMenu" and its one item "mnuVornnet".
    QMenu* trayMenu() { return &m_menu; }
    QAction* vornnetItem() const { return m_vornnet; }

    bool areaAvailable() const override;
    // The tip is set once, here: a later caption does not change an icon already shown.
    bool add(const QString& tip) override;
    void remove() override;
    bool isShown() const { return m_icon.isVisible(); }
    QString tip() const { return m_icon.toolTip(); }

signals:
    // The user chose "VornNet": show the main window in its normal state.
    void showRequested();

private:
    QMenu m_menu; // declared before the icon, which refers to it
    QAction* m_vornnet;
    QSystemTrayIcon m_icon;
};
