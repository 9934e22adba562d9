#include "tray/LinuxWindowSystem.h"
#include "tray/clsSystrayRefresh.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <gtest/gtest.h>

namespace {

// Shell_TrayWnd 1 > TrayNotifyWnd 2 > SysPager 3 > ToolbarWindow32 4, and ToolbarWindow32 5 directly under
// TrayNotifyWnd. Every message sent is recorded.
class FakeWindowSystem final : public WindowSystem {
public:
    Handle findWindow(const QString& className) override { return findChild(0, className); }
    Handle findChild(Handle parent, const QString& className) override {
        return windows.value({parent, className});
    }
    Rect clientRect(Handle window) override { return window == area ? rect : Rect{}; }
    void sendMessage(Handle window, quint32 message, quintptr wParam, qintptr lParam) override {
        EXPECT_EQ(window, area);
        EXPECT_EQ(message, 0x200u);
        EXPECT_EQ(wParam, 0u);
        sent.append(lParam);
    }
    Version version() override { return ver; }

    QHash<QPair<Handle, QString>, Handle> windows{{{0, "Shell_TrayWnd"}, 1},
                                                  {{1, "TrayNotifyWnd"}, 2},
                                                  {{2, "SysPager"}, 3},
                                                  {{3, "ToolbarWindow32"}, 4},
                                                  {{2, "ToolbarWindow32"}, 5}};
    Handle area = 4;
    Rect rect{0, 0, 3, 20};
    Version ver{2, 5, 1};
    QList<qintptr> sent;
};

} // namespace

TEST(SysTrayRefresh, VersionCodes) {
    const struct {
        int platform, major, minor, code;
    } cases[] = {{0, 3, 10, 1},  {1, 4, 0, 3},  {1, 4, 10, 4}, {1, 4, 90, 5}, {1, 4, 20, 0},
                 {2, 3, 51, 13}, {2, 4, 0, 14}, {2, 5, 0, 15}, {2, 5, 1, 16}, {2, 5, 2, 17},
                 {2, 5, 3, 0},   {2, 6, 1, 0},  {2, 10, 0, 0}, {3, 5, 1, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(clsSystrayRefresh::versionCode({c.platform, c.major, c.minor}), c.code)
            << c.platform << " " << c.major << "." << c.minor;
}

TEST(SysTrayRefresh, RowsOfTwentyPixelsByClientHeight) {
    const struct {
        int height;
        QList<qintptr> ys;
    } cases[] = {{9, {}}, {10, {10}}, {30, {10}}, {31, {10, 30}}, {49, {10, 30}}, {50, {10, 30, 50}}};
    for (const auto& c : cases) {
        FakeWindowSystem ws;
        ws.rect.bottom = c.height;
        EXPECT_TRUE(clsSystrayRefresh(ws).SysTrayRefresh()) << c.height;
        // x from 0 to the right edge inclusive in the low word, y in the high word.
        QList<qintptr> expected;
        for (qintptr y : c.ys)
            for (qintptr x = 0; x <= 3; ++x)
                expected.append(y << 16 | x);
        EXPECT_EQ(ws.sent, expected) << c.height;
    }
}

TEST(SysTrayRefresh, TheAreaWindowByVersion) {
    const struct {
        const char* what;
        WindowSystem::Version version;
        QPair<WindowSystem::Handle, QString> missing;
        WindowSystem::Handle area;
    } cases[] = {
        {"NT 4: the notify window itself", {2, 4, 0}, {}, 2},
        {"later than NT 5: the notify window itself", {2, 6, 1}, {}, 2},
        {"95 family, minor 90: toolbar under the notify window", {1, 4, 90}, {}, 5},
        {"NT 5.0: toolbar under the notify window", {2, 5, 0}, {}, 5},
        {"NT 5.1: toolbar under the pager", {2, 5, 1}, {}, 4},
        {"NT 5.1 without a pager", {2, 5, 1}, {2, "SysPager"}, 0},
        {"no notify window: never looked for among the top-level windows",
         {2, 5, 1},
         {1, "TrayNotifyWnd"},
         0},
        {"no taskbar", {2, 5, 1}, {0, "Shell_TrayWnd"}, 0},
    };
    for (const auto& c : cases) {
        FakeWindowSystem ws;
        ws.windows.remove(c.missing);
        // A top-level pager with a toolbar elsewhere on the desktop: never the one swept.
        ws.windows.insert({0, "SysPager"}, 6);
        ws.windows.insert({6, "ToolbarWindow32"}, 7);
        ws.ver = c.version;
        ws.area = c.area;
        clsSystrayRefresh refresh(ws);
        EXPECT_EQ(refresh.SysTrayRefresh(), c.area != 0) << c.what;
        EXPECT_EQ(refresh.hwnd(), c.area) << c.what;
        EXPECT_EQ(ws.sent.size(), c.area ? 4 : 0) << c.what;
    }

    LinuxWindowSystem desktop;
    clsSystrayRefresh onLinux(desktop);
    EXPECT_FALSE(onLinux.SysTrayRefresh());
    EXPECT_EQ(onLinux.hwnd(), 0u);
}
