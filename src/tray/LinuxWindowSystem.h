#pragma once

#include "tray/WindowSystem.h"

// The window system of a Linux desktop, as the sweep sees it. Its notification areas (XEmbed hosts and
// StatusNotifier watchers) drop an icon as soon as its owner ends, so there is no shell tray window whose
// dead icons need sweeping: every lookup finds none, and the sweep says so by returning false.
class LinuxWindowSystem final : public WindowSystem {
public:
    Handle findWindow(const QString& className) override;
    Handle findChild(Handle parent, const QString& className) override;
    Rect clientRect(Handle window) override;
    void sendMessage(Handle window, quint32 message, quintptr wParam, qintptr lParam) override;
    Version version() override;
};
