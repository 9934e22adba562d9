#include "app/Agent.h"
#include "app/WindowShell.h"
#include "support/TestCommon.h"
#include "support/TestPlant.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

TEST(TrayIcon, TheIconNeedsANotificationArea) {
    TrayIcon tray;
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    EXPECT_EQ(tray.add("VornGelmarNet::10.0.0.1:1003"), available);
    EXPECT_EQ(tray.isShown(), available);
    if (available)
        EXPECT_EQ(tray.tip(), "VornGelmarNet::10.0.0.1:1003");
    tray.remove();
    EXPECT_FALSE(tray.isShown());
}

// The icon's menu, with its one item, brings the hidden window back on screen.
TEST(WindowShell, TrayMenuItemShowsTheHiddenWindow) {
    TestPlant plant;
    RecordingDialogs dialogs;
    FakeClock clock;
    Agent agent({.programFolder = plant.program}, dialogs, clock);
    WindowShell shell(agent);
    ASSERT_EQ(agent.load(), Form1Load::Outcome::Loaded);
    agent.form().form1.setVisible(false);
    QCoreApplication::processEvents();
    ASSERT_FALSE(shell.window().isVisible());

    QList<QAction*> items;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(w))
            items += menu->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0]->text(), agent.form().mnuVornnet.text());
    items[0]->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(agent.form().form1.visible());
    EXPECT_TRUE(shell.window().isVisible());
    agent.unload();
    shell.unload();
}
