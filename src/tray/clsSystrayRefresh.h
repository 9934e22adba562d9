#pragma once

#include "tray/WindowSystem.h"

// Makes the notification area drop the icons of programs that have ended (killed programs never remove
// their own): a mouse move over every pixel column of every 20-pixel row of the area's toolbar makes it
// look at each icon's owner. A new one for each refresh.
class clsSystrayRefresh {
public:
    static constexpr quint32 mouseMove = 0x200;
    static constexpr int rowHeight = 20;

    explicit clsSystrayRefresh(WindowSystem& windows) : m_windows(windows) {}

    // True when the sweep was done (or the area is less than a row high), false when no notification
    // area was found.
    bool SysTrayRefresh();
    // The toolbar window found by the last refresh; 0 when none.
    WindowSystem::Handle hwnd() const { return m_hwnd; }

    // 1 Win32s; 3, 4, 5 the Windows 95 family (minor 0, 10, 90); 13, 14 NT 3 and 4; 15, 16, 17 NT 5.0,
    // 5.1, 5.2; 0 anything else, later versions included.
    static int versionCode(const WindowSystem::Version& version);

private:
    WindowSystem::Handle notificationArea();

    WindowSystem& m_windows;
    WindowSystem::Handle m_hwnd = 0;
};
