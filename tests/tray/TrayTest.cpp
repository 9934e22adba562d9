#include "tray/Tray.h"
#include "core/model/Control.h"
#include "support/FakeNotificationIcon.h"
#include "support/LogCapture.h"
#include "support/TestCommon.h"
#include "tray/LinuxWindowSystem.h"
#include "tray/clsSystrayRefresh.h"

#include <QHash>

class TrayTest : public ::testing::Test {
protected:
    TrayTest() {
        tray.attachIcon(&icon);
        tray.setWatchInterval(10ms);
    }
    // The reason the window stays on the taskbar, as told.
    qsizetype noAreaWarnings() const {
        return captured.of("vornnet.tray").filter("la ventana se queda").size();
    }

    LogCapture captured;
    Control form1{"form1", "VORN-NET CLIENT :: Versión 5.51"};
    FakeNotificationIcon icon;
    Tray tray{form1, std::make_unique<LinuxWindowSystem>()};
    QSignalSpy minimised{&tray, &Tray::minimiseRequested};
};

TEST(TrayTip, CutToSixtyThreeCharactersNeverInsideACharacter) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x94\xA5"); // two UTF-16 units
    const std::pair<QString, QString> cases[] = {{QString(63, 'a'), QString(63, 'a')},
                                                 {QString(64, 'a'), QString(63, 'a')},
                                                 {QString(62, 'a') + emoji, QString(62, 'a')},
                                                 {QString(61, 'a') + emoji + "b", QString(61, 'a') + emoji}};
    for (const auto& [caption, tip] : cases)
        EXPECT_EQ(Tray::tipOf(caption), tip) << caption.size();
    EXPECT_EQ(Tray::stationCaption("10.0.0.1", "1003"), "VornGelmarNet::10.0.0.1:1003");
}

TEST_F(TrayTest, IconAddedOnceAtTheLoadWithTheTipOfThatMomentAndRemovedOnUnload) {
    EXPECT_EQ(tray.Caption(), "VORN-NET CLIENT :: Versión 5.51") << "the window caption until the load";
    const QString station = Tray::stationCaption(QString(60, '9'), "1003");
    tray.setCaption(station);
    tray.loaded();
    EXPECT_EQ(icon.added, QStringList{station.left(63)});
    tray.setCaption("VornGelmarNet::10.0.0.2:1004");
    BoundedWait().pause(50ms);
    EXPECT_EQ(icon.added.size(), 1) << "a later caption does not touch the icon";

    tray.hideWindow();
    EXPECT_FALSE(form1.visible());
    EXPECT_EQ(minimised.count(), 0);
    EXPECT_EQ(noAreaWarnings(), 0);

    tray.unload();
    EXPECT_FALSE(icon.shown);
    tray.loaded();
    BoundedWait().pause(50ms);
    EXPECT_EQ(icon.added.size(), 1) << "never added again after the unload";
}

TEST_F(TrayTest, WithoutANotificationAreaTheWindowStaysOnTheTaskbarUntilOneAppears) {
    icon.area = false;
    tray.loaded();
    EXPECT_TRUE(icon.added.isEmpty());
    tray.hideWindow(); // tmrHide
    tray.hideWindow(); // Minimizar, the close box
    EXPECT_TRUE(form1.visible());
    EXPECT_EQ(minimised.count(), 2);
    EXPECT_EQ(noAreaWarnings(), 1) << "the reason is told once";

    tray.setCaption("VornGelmarNet::10.0.0.1:1003");
    icon.area = true;
    ASSERT_TRUE(pollUntil([&] { return icon.shown; }, 2s)) << "the area is watched for";
    EXPECT_EQ(icon.added, QStringList{"VornGelmarNet::10.0.0.1:1003"});
    tray.hideWindow();
    EXPECT_FALSE(form1.visible());

    // The area goes away while the window is hidden: the window comes back to the taskbar.
    icon.area = false;
    ASSERT_TRUE(pollUntil([&] { return form1.visible(); }, 2s));
    EXPECT_EQ(minimised.count(), 3);
    EXPECT_EQ(noAreaWarnings(), 2);
}

TEST_F(TrayTest, UnattendedHidesPlainlyAndAnIconGoneFirstIsForgotten) {
    {
        FakeNotificationIcon shortLived;
        tray.attachIcon(&shortLived);
        tray.loaded();
        EXPECT_TRUE(shortLived.shown);
    }
    tray.hideWindow(); // no icon any more: as unattended
    EXPECT_FALSE(form1.visible());
    EXPECT_EQ(minimised.count(), 0);
    tray.unload(); // must not reach the icon that is gone
}

// Shell_TrayWnd 1 > TrayNotifyWnd 2 > SysPager 3 > ToolbarWindow32 4, and ToolbarWindow32 5 directly under
// TrayNotifyWnd. Every message sent is recorded.
class FakeWindowSystem final : public WindowSystem {
public:
    Handle findWindow(const QString& name) override { return findChild(0, name); }
    Handle findChild(Handle parent, const QString& name) override { return windows.value({parent, name}); }
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

TEST(SysTrayRefresh, VersionCodes) {
    const std::array<int, 4> cases[] = {{0, 3, 10, 1}, {1, 4, 0, 3},   {1, 4, 10, 4}, {1, 4, 90, 5},
                                        {1, 4, 20, 0}, {2, 3, 51, 13}, {2, 4, 0, 14}, {2, 5, 0, 15},
                                        {2, 5, 1, 16}, {2, 5, 2, 17},  {2, 5, 3, 0},  {2, 6, 1, 0},
                                        {2, 10, 0, 0}, {3, 5, 1, 0}};
    for (const auto [platform, major, minor, code] : cases)
        EXPECT_EQ(clsSystrayRefresh::versionCode({platform, major, minor}), code)
            << platform << " " << major << "." << minor;
}

// The area window each version sweeps, and the rows of twenty pixels swept by its client height.
TEST(SysTrayRefresh, TheAreaWindowByVersionAndItsRows) {
    using Handle = WindowSystem::Handle;
    const std::tuple<const char*, WindowSystem::Version, QPair<Handle, QString>, Handle, int, QList<qintptr>>
        cases[] = {
            {"NT 4: the notify window itself", {2, 4, 0}, {}, 2, 20, {10}},
            {"later than NT 5: the notify window itself", {2, 6, 1}, {}, 2, 20, {10}},
            {"95 family, minor 90: toolbar under the notify window", {1, 4, 90}, {}, 5, 20, {10}},
            {"NT 5.0: toolbar under the notify window", {2, 5, 0}, {}, 5, 20, {10}},
            {"NT 5.1: toolbar under the pager", {2, 5, 1}, {}, 4, 9, {}},
            {"NT 5.1, 10 px", {2, 5, 1}, {}, 4, 10, {10}},
            {"NT 5.1, 30 px", {2, 5, 1}, {}, 4, 30, {10}},
            {"NT 5.1, 31 px", {2, 5, 1}, {}, 4, 31, {10, 30}},
            {"NT 5.1, 49 px", {2, 5, 1}, {}, 4, 49, {10, 30}},
            {"NT 5.1, 50 px", {2, 5, 1}, {}, 4, 50, {10, 30, 50}},
            {"NT 5.1 without a pager", {2, 5, 1}, {2, "SysPager"}, 0, 20, {}},
            {"no notify window: not looked for at the top level", {2, 5, 1}, {1, "TrayNotifyWnd"}, 0, 20, {}},
            {"no taskbar", {2, 5, 1}, {0, "Shell_TrayWnd"}, 0, 20, {}},
        };
    for (const auto& [what, version, missing, area, height, ys] : cases) {
        FakeWindowSystem ws;
        ws.windows.remove(missing);
        // A top-level pager with a toolbar elsewhere on the desktop: never the one swept.
        ws.windows.insert({0, "SysPager"}, 6);
        ws.windows.insert({6, "ToolbarWindow32"}, 7);
        ws.ver = version;
        ws.area = area;
        ws.rect.bottom = height;
        clsSystrayRefresh refresh(ws);
        EXPECT_EQ(refresh.SysTrayRefresh(), area != 0) << what;
        EXPECT_EQ(refresh.hwnd(), area) << what;
        // x from 0 to the right edge inclusive in the low word, y in the high word.
        QList<qintptr> expected;
        for (qintptr y : ys)
            for (qintptr x = 0; x <= 3; ++x)
                expected.append(y << 16 | x);
        EXPECT_EQ(ws.sent, expected) << what;
    }

    LinuxWindowSystem desktop;
    clsSystrayRefresh onLinux(desktop);
    EXPECT_FALSE(onLinux.SysTrayRefresh());
    EXPECT_EQ(onLinux.hwnd(), 0u);
}
