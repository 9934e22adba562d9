#include "WatchdogFixture.h"

const QColor green(0, 255, 0), red(255, 0, 0), blue(0, 0, 255);

// The lights, the process test and the relaunch on a gelmar-sim installation this test runs.
class GelmarProcessesTest : public GelmarFixture {
protected:
    void kill(const char* name) {
        const QList<ProcessEntry> before = table.list();
        for (const ProcessEntry& e : before)
            if (e.name == QLatin1String(name))
                ASSERT_TRUE(ProcessTable::terminate(e.pid));
        ASSERT_TRUE(running(before.size() - 1));
    }
};

TEST_F(GelmarProcessesTest, LightsAndTheCountdownedTestFollowTheServersAndWebMode) {
    gsnet.start(QDir(plant.gelmar).filePath("GSNET.EXE"), {"--history-ms", "200"});
    ASSERT_TRUE(running(4)); // it brings up KOBSERVER, PLXSERVER and VQM
    form.chkRestart.setChecked(true);
    const std::tuple<const char*, bool, QList<QColor>, int, bool> steps[] = {
        {nullptr, false, {green, green, green}, 1, true},
        {"GSNET.EXE", false, {red, green, green}, 1, false},
        {nullptr, true, {blue, green, green}, 0, true}, // web mode spares only the network server
        {"PLXSERVER.EXE", true, {blue, green, red}, -3, false},
    };
    for (const auto& [killed, webMode, lights, countdown, test] : steps) {
        if (killed)
            kill(killed);
        settings.WebMode = webMode;
        processes.ActualizaIcoNetActivo();
        EXPECT_EQ((QList<QColor>{form.shapeOk1.background(), form.shapeOk2.background(),
                                 form.shapeOk3.background()}),
                  lights);
        processes.setCountdown(countdown);
        EXPECT_EQ(processes.checkNetActivo(), test) << countdown;
        EXPECT_EQ(form.lblTime.text(), "30") << "the test has run: the countdown starts again";
    }
    processes.setCountdown(5);
    EXPECT_TRUE(processes.checkNetActivo());
    EXPECT_EQ(form.lblTime.text(), "4");
    form.chkRestart.setChecked(false);
    EXPECT_TRUE(processes.checkNetActivo());
    EXPECT_EQ(form.lblTime.text(), "4") << "restarts off: the countdown stands still";
}

TEST_F(GelmarProcessesTest, FailedRelaunchIsShownAndLoggedOncePerDistinctError) {
    const QString exe = QDir(plant.gelmar).filePath("GSNET.EXE");
    QFile::remove(exe); // the link
    const auto relaunch = [&](const QString& folder) {
        form.txtPathGelmar.setText(folder);
        processes.ReiniciaGelmar();
        processes.ReiniciaGelmar();
        return form.txtError.text();
    };
    EXPECT_EQ(relaunch(plant.gelmar), "Error al reiniciar Gelmar: No se encuentra " + exe);
    writeFile(exe);
    EXPECT_EQ(relaunch(plant.gelmar), "Error al reiniciar Gelmar: " + exe + " no es ejecutable");
    const QString nowhere = plant.root.filePath("nowhere");
    EXPECT_EQ(relaunch(nowhere),
              "Error al reiniciar Gelmar: No se encuentra la carpeta de Gelmar " + nowhere);
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 3) << lines.join("\n").toStdString();
    EXPECT_TRUE(lines[0].startsWith("Error al reiniciar Gelmar: No se encuentra " + exe + " Hora: "));
}
