#include "tray/Tray.h"
#include "core/BoundedWait.h"
#include "core/Control.h"
#include "support/FakeNotificationIcon.h"
#include "tray/LinuxWindowSystem.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QStringList trayWarnings;

void recordTrayWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && QLatin1String(context.category) == QLatin1String("vornnet.tray"))
        trayWarnings.append(text);
}

class TrayTest : public ::testing::Test {
protected:
    TrayTest() {
        trayWarnings.clear();
        previousHandler = qInstallMessageHandler(recordTrayWarnings);
        tray.attachIcon(&icon);
        tray.setWatchInterval(10ms);
    }
    ~TrayTest() override { qInstallMessageHandler(previousHandler); }

    Control form1{"form1", "VORN-NET CLIENT :: Versión 5.51"};
    FakeNotificationIcon icon;
    Tray tray{form1, std::make_unique<LinuxWindowSystem>()};
    QSignalSpy minimised{&tray, &Tray::minimiseRequested};
    QtMessageHandler previousHandler = nullptr;
};

} // namespace

TEST(TrayTip, CutToSixtyThreeCharactersNeverInsideACharacter) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x94\xA5"); // two UTF-16 units
    const struct {
        QString caption;
        QString tip;
    } cases[] = {
        {QString(62, 'a'), QString(62, 'a')},
        {QString(63, 'a'), QString(63, 'a')},
        {QString(64, 'a'), QString(63, 'a')},
        {QString(100, 'a'), QString(63, 'a')},
        {QString(62, 'a') + emoji, QString(62, 'a')},
        {QString(61, 'a') + emoji + "b", QString(61, 'a') + emoji},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tray::tipOf(c.caption), c.tip) << c.caption.size();
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
    EXPECT_TRUE(trayWarnings.isEmpty());

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
    EXPECT_EQ(trayWarnings.size(), 1) << "the reason is told once";

    tray.setCaption("VornGelmarNet::10.0.0.1:1003");
    icon.area = true;
    ASSERT_TRUE(BoundedWait().until([&] { return icon.shown; }, 2s)) << "the area is watched for";
    EXPECT_EQ(icon.added, QStringList{"VornGelmarNet::10.0.0.1:1003"});
    tray.hideWindow();
    EXPECT_FALSE(form1.visible());

    // The area goes away while the window is hidden: the window comes back to the taskbar.
    icon.area = false;
    ASSERT_TRUE(BoundedWait().until([&] { return form1.visible(); }, 2s));
    EXPECT_EQ(minimised.count(), 3);
    EXPECT_EQ(trayWarnings.size(), 2);
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
