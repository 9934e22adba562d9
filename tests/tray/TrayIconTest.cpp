#include "gui/TrayIcon.h"
#include "core/Form1State.h"

#include <QAction>
#include <QSignalSpy>
#include <gtest/gtest.h>

TEST(TrayIcon, MenuItemAsksForTheWindowAndTheIconNeedsANotificationArea) {
    Form1State state;
    TrayIcon tray;
    ASSERT_EQ(tray.trayMenu()->actions().size(), 1);
    QAction* item = tray.trayMenu()->actions().first();
    EXPECT_EQ(item->text(), state.mnuVornnet.text());
    QSignalSpy shown(&tray, &TrayIcon::showRequested);
    item->trigger();
    EXPECT_EQ(shown.count(), 1);

    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    EXPECT_EQ(tray.add("VornGelmarNet::10.0.0.1:1003"), available);
    EXPECT_EQ(tray.isShown(), available);
    if (available) {
        EXPECT_EQ(tray.tip(), "VornGelmarNet::10.0.0.1:1003");
    }
    tray.remove();
    EXPECT_FALSE(tray.isShown());
}
