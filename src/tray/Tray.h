#pragma once

#include "tray/NotificationIcon.h"
#include "tray/WindowSystem.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>

class Control;

// The agent's presence on the desktop: its icon in the notification area, whether the window may leave
// the screen, and the sweep of dead icons after maintenance. The window may hide only while the icon can
// bring it back; on a desktop without a notification area it goes to the taskbar instead, and the icon is
// added as soon as an area appears.
class Tray : public QObject {
    Q_OBJECT
public:
    // The icon record holds the tip in 64 bytes, the last one a zero.
    static constexpr qsizetype tipLength = 63;
    static constexpr std::chrono::milliseconds defaultWatch{10000};

    // form1 is the window's model; its caption is the icon's caption until the load names the station.
    Tray(Control& form1, std::unique_ptr<WindowSystem> windows, QObject* parent = nullptr);
    ~Tray() override;

    // The widgets' icon. Without one (unattended) there is no window to bring back and hiding is plain.
    void attachIcon(NotificationIcon* icon);

    const QString& Caption() const { return m_caption; }
    void setCaption(const QString& caption) { m_caption = caption; }
    static QString stationCaption(const QString& address, const QString& port);
    // The caption cut to what the notification area holds, never inside a character's surrogate pair.
    static QString tipOf(const QString& caption);

    // End of a load that keeps the agent running: the icon is added, with the tip taken now, or the
    // desktop is watched for a notification area. A second copy never gets here.
    void loaded();
    // The window unloads: the icon goes and is not added again.
    void unload();

    // tmrHide, "Minimizar" and the close box.
    void hideWindow();

    // After maintenance has stopped and restarted the supervision system.
    void RefrescaSysTray();

    // How often the desktop is asked whether a notification area came or went.
    void setWatchInterval(std::chrono::milliseconds interval);

signals:
    // The window stays reachable on the taskbar: the widgets minimise it.
    void minimiseRequested();

private:
    // Whether the icon is in a notification area now; adds it when an area has appeared, and tells each
    // change on standard error.
    bool iconReachable();
    void watch();

    Control& m_form1;
    std::unique_ptr<WindowSystem> m_windows;
    QPointer<NotificationIcon> m_icon;
    QString m_caption;
    QTimer m_watch;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_added = false;
    bool m_absenceTold = false; // an absence is told once, until the area comes back
};
