#include "tray/TrayIcon.h"
#include "core/Form1State.h"

#include <QAction>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

TEST(TrayIcon, MenuItemAsksForTheWindow) {
    Form1State state;
    TrayIcon tray;
    QMenu* menu = tray.trayMenu();
    EXPECT_EQ(menu->objectName(), state.mnuMenu.name());
    EXPECT_EQ(menu->title(), state.mnuMenu.text());
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* item = menu->actions().first();
    EXPECT_EQ(item->objectName(), state.mnuVornnet.name());
    EXPECT_EQ(item->text(), state.mnuVornnet.text());

    QSignalSpy shown(&tray, &TrayIcon::showRequested);
    item->trigger();
    EXPECT_EQ(shown.count(), 1);
}

TEST(TrayIcon, AddedOnlyWhereThereIsANotificationArea) {
    TrayIcon tray;
    tray.setCaption("VornGelmarNet::10.0.0.1:1003");
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    EXPECT_EQ(tray.add(), available);
    EXPECT_EQ(tray.isShown(), available);
    tray.remove();
    EXPECT_FALSE(tray.isShown());
}

} // namespace
