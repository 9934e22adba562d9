// The agent's real window and tray icon on an X server of its own (Xvfb), in a real notification-area
// host (trayer); the case without one is the tray's unit test. Skipped when those programs are missing.
#include "support/ProcessHarness.h"

#include <QPoint>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <optional>

using namespace std::chrono_literals;

namespace {

const char* const tools[] = {"Xvfb", "trayer", "xdotool", "xwininfo"};

QString missingTool() {
    for (const char* tool : tools)
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QString::fromLatin1(tool);
    return {};
}

// A program of the X server's own, kept for the test's length.
class XProgram {
public:
    XProgram(const QString& program, const QStringList& args, const QString& display = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!display.isEmpty())
            env.insert("DISPLAY", display);
        process.setProcessEnvironment(env);
        process.start(program, args);
    }
    ~XProgram() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(3000))
                process.kill();
            process.waitForFinished(3000);
        }
    }
    QProcess process;
};

// A short command against the display; its standard output.
QString query(const QString& display, const QString& program, const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

class TrayDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString missing = missingTool();
        if (!missing.isEmpty())
            GTEST_SKIP() << missing.toStdString() << " is not installed";
        // Wide enough that the window leaves the panel in the bottom right corner uncovered.
        server.emplace("Xvfb",
                       QStringList{"-displayfd", "1", "-screen", "0", "1280x720x24", "-nolisten", "tcp"});
        ASSERT_TRUE(waitFor([&] { return server->process.canReadLine(); }, 10s)) << "Xvfb gave no display";
        display = ":" + QString::fromLatin1(server->process.readLine()).trimmed();
        h.point("", 1003);
    }

    void startTrayHost() {
        // A host that ends before its panel shows (it can lose a race with a busy X server) is started
        // once more; what it said goes into the failure.
        QString said;
        for (int attempt = 0; attempt < 2; ++attempt) {
            trayHost.emplace("trayer",
                             QStringList{"--edge", "bottom", "--align", "right", "--widthtype", "request",
                                         "--height", "32", "--transparent", "false", "--SetDockType", "true"},
                             display);
            if (waitFor([&] {
                    return trayHost->process.state() == QProcess::NotRunning ||
                           tree().contains("(\"panel\" \"trayer\")");
                }) &&
                trayHost->process.state() != QProcess::NotRunning)
                return;
            said += QString::fromUtf8(trayHost->process.readAllStandardError());
        }
        FAIL() << "trayer did not start: " << said.toStdString();
    }

    std::unique_ptr<AgentProcess> startAgent() {
        return h.agent({.tickMs = 600000,
                        .trace = false,
                        .unattended = false,
                        .logsInProgram = true,
                        .env = {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb", "VORNNET_TRAY_WATCH_MS=200"}});
    }
    bool waitError(AgentProcess& agent, const QString& text) {
        return waitFor([&] { return QString::fromUtf8(agent.err).contains(text); });
    }

    QString tree() { return query(display, "xwininfo", {"-root", "-tree"}); }
    bool windowOnScreen() {
        return !query(display, "xdotool", {"search", "--onlyvisible", "--name", "VORN-NET CLIENT"})
                    .trimmed()
                    .isEmpty();
    }
    // Centre of the first window of the agent's class with that size, nested (below a top-level window)
    // or not, as xwininfo shows it.
    std::optional<QPoint> centreOf(bool nested, int minWidth, int maxWidth) {
        static const QRegularExpression line(
            R"(^( +)0x[0-9a-f]+ "[^"]*": \("vornnet" "vornnet"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))",
            QRegularExpression::MultilineOption);
        for (auto it = line.globalMatch(tree()); it.hasNext();) {
            const auto m = it.next();
            const int w = m.captured(2).toInt(), h = m.captured(3).toInt();
            if ((m.captured(1).size() > 5) == nested && w >= minWidth && w <= maxWidth)
                return QPoint(m.captured(4).toInt() + w / 2, m.captured(5).toInt() + h / 2);
        }
        return std::nullopt;
    }
    void click(const QPoint& at, const char* button) {
        query(display, "xdotool",
              {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", button});
    }

    ProcessHarness h;
    std::optional<XProgram> server;
    std::optional<XProgram> trayHost;
    QString display;
};

} // namespace

TEST_F(TrayDesktopTest, IconWithItsTipInARealNotificationAreaAndItsMenuShowsTheWindow) {
    startTrayHost();
    auto agent = startAgent();
    ASSERT_TRUE(
        waitError(*agent, "icono añadido al área de notificación, texto \"VornGelmarNet::127.0.0.1:1003\""))
        << agent->err.toStdString();
    ASSERT_TRUE(waitFor([&] { return centreOf(true, 1, 64).has_value(); })) << "the icon is in the panel";
    ASSERT_TRUE(waitFor([&] { return !windowOnScreen(); })) << "tmrHide hides the window behind the icon";

    // The panel widens as the icon joins it, which moves the icon: clicks go where it has settled.
    const auto settledIcon = [&] {
        std::optional<QPoint> icon = centreOf(true, 1, 64);
        for (int i = 0; i < 20; ++i) {
            BoundedWait().pause(250ms);
            const std::optional<QPoint> again = centreOf(true, 1, 64);
            if (again && again == icon)
                break;
            icon = again;
        }
        return icon;
    };
    std::optional<QPoint> icon = settledIcon();
    ASSERT_TRUE(icon.has_value());
    click(*icon, "1");
    BoundedWait().pause(500ms);
    EXPECT_FALSE(windowOnScreen()) << "the left button does nothing";
    std::optional<QPoint> menu;
    const auto menuShown = [&] { return (menu = centreOf(false, 40, 400)).has_value() && !windowOnScreen(); };
    // A busy X server can drop a click that lands as the pointer arrives: one more right click then.
    bool shown = false;
    for (int attempt = 0; attempt < 2 && !shown; ++attempt) {
        icon = settledIcon();
        ASSERT_TRUE(icon.has_value());
        click(*icon, "3");
        shown = waitFor(menuShown, 7s);
    }
    ASSERT_TRUE(shown) << "the right button pops up the menu";
    click(*menu, "1");
    EXPECT_TRUE(waitFor([&] { return windowOnScreen(); })) << "\"VornNet\" shows the window";
    EXPECT_FALSE(agent->err.contains("no hay área de notificación"));

    agent->terminate();
    EXPECT_TRUE(agent->waitFinished());
}
