#include "tray/LinuxWindowSystem.h"
#include "tray/clsSystrayRefresh.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <gtest/gtest.h>

namespace {

// A taskbar of handles looked up by (parent, class); every message sent is recorded.
class FakeWindowSystem final : public WindowSystem {
public:
    Handle findWindow(const QString& className) override { return findChild(0, className); }
    Handle findChild(Handle parent, const QString& className) override {
        return windows.value({parent, className}, 0);
    }
    Rect clientRect(Handle window) override { return window == area ? rect : Rect{}; }
    void sendMessage(Handle window, quint32 message, quintptr wParam, qintptr lParam) override {
        EXPECT_EQ(window, area);
        EXPECT_EQ(message, 0x200u);
        EXPECT_EQ(wParam, 0u);
        sent.append(lParam);
    }
    Version version() override { return ver; }

    // Shell_TrayWnd 1 > TrayNotifyWnd 2 > SysPager 3 > ToolbarWindow32 4, and ToolbarWindow32 5 directly
    // under TrayNotifyWnd.
    void taskbar() {
        windows = {{{0, "Shell_TrayWnd"}, 1},
                   {{1, "TrayNotifyWnd"}, 2},
                   {{2, "SysPager"}, 3},
                   {{3, "ToolbarWindow32"}, 4},
                   {{2, "ToolbarWindow32"}, 5}};
    }

    QHash<QPair<Handle, QString>, Handle> windows;
    Handle area = 0;
    Rect rect;
    Version ver{2, 5, 1};
    QList<qintptr> sent;
};

QList<int> rowsSwept(const QList<qintptr>& sent) {
    QList<int> ys;
    for (qintptr l : sent)
        if ((l & 0xFFFF) == 0)
            ys.append(static_cast<int>(l >> 16));
    return ys;
}

} // namespace

TEST(SysTrayRefresh, VersionCodes) {
    const struct {
        int platform, major, minor, code;
    } cases[] = {{0, 3, 10, 1},  {1, 4, 0, 3},  {1, 4, 10, 4}, {1, 4, 90, 5}, {1, 4, 20, 0},
                 {2, 3, 51, 13}, {2, 4, 0, 14}, {2, 5, 0, 15}, {2, 5, 1, 16}, {2, 5, 2, 17},
                 {2, 5, 3, 0},   {2, 6, 1, 0},  {2, 10, 0, 0}, {3, 5, 1, 0},  {-1, 0, 0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(clsSystrayRefresh::versionCode({c.platform, c.major, c.minor}), c.code)
            << c.platform << " " << c.major << "." << c.minor;
}

TEST(SysTrayRefresh, RowsOfTwentyPixelsByClientHeight) {
    const struct {
        int height;
        QList<int> rows;
    } cases[] = {{9, {}}, {10, {10}}, {30, {10}}, {31, {10, 30}}, {49, {10, 30}}, {50, {10, 30, 50}}};
    for (const auto& c : cases) {
        FakeWindowSystem ws;
        ws.taskbar();
        ws.area = 4;
        ws.rect = {0, 0, 3, c.height};
        clsSystrayRefresh refresh(ws);
        EXPECT_TRUE(refresh.SysTrayRefresh()) << c.height;
        EXPECT_EQ(refresh.hwnd(), 4u);
        EXPECT_EQ(rowsSwept(ws.sent), c.rows) << c.height;
        EXPECT_EQ(ws.sent.size(), c.rows.size() * 4) << "x from 0 to the right edge inclusive";
    }
    FakeWindowSystem ws;
    ws.taskbar();
    ws.area = 4;
    ws.rect = {0, 0, 200, 20};
    clsSystrayRefresh(ws).SysTrayRefresh();
    ASSERT_EQ(ws.sent.size(), 201);
    EXPECT_EQ(ws.sent[7], (10 << 16) | 7) << "x in the low word, y in the high word";
}

TEST(SysTrayRefresh, TheAreaWindowByVersion) {
    const struct {
        const char* what;
        WindowSystem::Version version;
        bool withPager;
        WindowSystem::Handle area;
    } cases[] = {
        {"NT 4: the notify window itself", {2, 4, 0}, true, 2},
        {"later than NT 5: the notify window itself", {2, 6, 1}, true, 2},
        {"95 family, minor 90: toolbar under the notify window", {1, 4, 90}, true, 5},
        {"NT 5.0: toolbar under the notify window", {2, 5, 0}, true, 5},
        {"NT 5.1: toolbar under the pager", {2, 5, 1}, true, 4},
        {"NT 5.1 without a pager: none", {2, 5, 1}, false, 0},
    };
    for (const auto& c : cases) {
        FakeWindowSystem ws;
        ws.taskbar();
        if (!c.withPager)
            ws.windows.remove({2, "SysPager"});
        ws.ver = c.version;
        ws.area = c.area;
        ws.rect = {0, 0, 1, 20};
        clsSystrayRefresh refresh(ws);
        EXPECT_EQ(refresh.SysTrayRefresh(), c.area != 0) << c.what;
        EXPECT_EQ(refresh.hwnd(), c.area) << c.what;
        EXPECT_EQ(ws.sent.size(), c.area ? 2 : 0) << c.what;
    }
}

TEST(SysTrayRefresh, NoTaskbarNoSweep) {
    FakeWindowSystem noTaskbar;
    EXPECT_FALSE(clsSystrayRefresh(noTaskbar).SysTrayRefresh());
    EXPECT_TRUE(noTaskbar.sent.isEmpty());

    FakeWindowSystem noNotifyWindow;
    noNotifyWindow.windows = {{{0, "Shell_TrayWnd"}, 1}, {{0, "SysPager"}, 3}, {{3, "ToolbarWindow32"}, 4}};
    EXPECT_FALSE(clsSystrayRefresh(noNotifyWindow).SysTrayRefresh())
        << "a missing child is not looked for among the top-level windows";

    LinuxWindowSystem desktop;
    clsSystrayRefresh onLinux(desktop);
    EXPECT_FALSE(onLinux.SysTrayRefresh());
    EXPECT_EQ(onLinux.hwnd(), 0u);
}
