#include "tray/clsSystrayRefresh.h"

#include "core/settings/NumberValue.h"

#include <algorithm>

namespace {

// Mouse positions travel in 16 bits each.
constexpr int maxCoordinate = 0xFFFF;

} // namespace

// The version codes are a table of their own: each number is the code's only name.
// NOLINTBEGIN(readability-magic-numbers)
int clsSystrayRefresh::versionCode(const WindowSystem::Version& v) {
    switch (v.platformId) {
    case 0:
        return 1;
    case 1:
        switch (v.minor) {
        case 0:
            return 3;
        case 10:
            return 4;
        case 90:
            return 5;
        default:
            return 0;
        }
    case 2:
        if (v.major == 3)
            return 13;
        if (v.major == 4)
            return 14;
        if (v.major == 5 && v.minor >= 0 && v.minor <= 2)
            return 15 + v.minor;
        return 0;
    default:
        return 0;
    }
}

WindowSystem::Handle clsSystrayRefresh::notificationArea() {
    const WindowSystem::Handle taskbar = m_windows.findWindow(QStringLiteral("Shell_TrayWnd"));
    if (!taskbar)
        return 0;
    // A child of no window is none: the lookups never fall back to the desktop's top-level windows.
    WindowSystem::Handle area = m_windows.findChild(taskbar, QStringLiteral("TrayNotifyWnd"));
    if (!area)
        return 0;
    const int code = versionCode(m_windows.version());
    if (code <= 14 && code != 5)
        return area;
    if (code > 15) {
        area = m_windows.findChild(area, QStringLiteral("SysPager"));
        if (!area)
            return 0;
    }
    return m_windows.findChild(area, QStringLiteral("ToolbarWindow32"));
}
// NOLINTEND(readability-magic-numbers)

bool clsSystrayRefresh::SysTrayRefresh() {
    m_hwnd = notificationArea();
    if (!m_hwnd)
        return false;
    const WindowSystem::Rect rect = m_windows.clientRect(m_hwnd);
    const qint64 rows =
        std::min<qint64>(NumberValue::roundHalfEven(static_cast<double>(rect.bottom) / rowHeight - 1),
                         (maxCoordinate - rowHeight / 2) / rowHeight);
    const int lastX = std::min(rect.right, maxCoordinate);
    for (qint64 r = 0; r <= rows; ++r) {
        const qintptr y = r * rowHeight + rowHeight / 2;
        for (int x = 0; x <= lastX; ++x)
            m_windows.sendMessage(m_hwnd, mouseMove, 0, (y << 16) | x);
    }
    return true;
}
