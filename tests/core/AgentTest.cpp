#include "app/Agent.h"
#include "core/BoundedWait.h"
#include "core/IniFile.h"
#include "support/FakeClock.h"
#include "support/RecordingDialogs.h"
#include "support/TestPlant.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

struct EnvGuard {
    QByteArray tmp = qgetenv("TMP"), temp = qgetenv("TEMP");
    ~EnvGuard() {
        qputenv("TMP", tmp);
        qputenv("TEMP", temp);
    }
};

} // namespace

TEST(Agent, LoadRunsItsStepsInOrder) {
    TestPlant plant;
    RecordingDialogs dialogs;
    FakeClock clock;
    Agent agent({plant.program, 30s, 3s}, dialogs, clock);
    EXPECT_EQ(agent.scheduler().period(), 30s) << "the scheduler's default period";
    EXPECT_EQ(agent.load(), Form1Load::Outcome::Loaded);
    EXPECT_EQ(agent.loadedSteps(),
              QStringList({"caption", "NombreEstado", "previous instance", "CarpetaLog", "ConectaConDB",
                           "buffer", "config", "UltOptimiza", "optimiza schedule", "SMS", "status",
                           "plant name", "tray caption", "ultcod", "ChkAdquisicion", "start line"}));
    EXPECT_EQ(agent.form().txtPlanta.text(), "EDAR Norte");
    const qint64 newest = plant.addAlarm(10, "1", 1, clock.now());
    agent.Label5Click();
    EXPECT_EQ(agent.form().Label5.text(), QString::number(newest) + ":7.3.2") << "newest alarm id and database version";
    EXPECT_EQ(agent.NombreEstado.size(), 11);
    EXPECT_EQ(agent.NombreEstado[0], "Desconectado");
    EXPECT_EQ(agent.NombreEstado[6], "Conectando...");
    EXPECT_EQ(agent.NombreEstado[7], "Conectado");
    EXPECT_EQ(agent.NombreEstado[10], "10");
    EXPECT_TRUE(agent.ChkAdquisicion);
    EXPECT_TRUE(agent.form().form1.visible());
    EXPECT_EQ(agent.trayCaption(), "VornGelmarNet:::1003");
}

TEST(Agent, ABadOptimisationDayDoesNotLoseTheRestOfTheLoad) {
    TestPlant plant;
    RecordingDialogs dialogs;
    FakeClock clock;
    IniFile::write(QDir(plant.program).filePath("vornnet.ini"), "CONFIG", "DiaOptimiza", "martes");
    Agent agent({plant.program, 30s, 3s}, dialogs, clock);
    EXPECT_EQ(agent.load(), Form1Load::Outcome::Loaded);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].title, "Error Vorn-Net");
    EXPECT_EQ(agent.settings().DiaOptimiza, 3);
    EXPECT_EQ(IniFile::read(QDir(plant.program).filePath("status.ini"), "status", "SMSOn"), "0");
    EXPECT_TRUE(agent.loadedSteps().contains("start line"));
}

TEST(Agent, LogFolderComesFromTmpThenTempThenTheProgramFolder) {
    EnvGuard guard;
    TestPlant plant;
    QTemporaryDir tmp, temp;
    RecordingDialogs dialogs;
    FakeClock clock;
    const QString logName = EventLog::fileName(clock.now().date());

    struct Case {
        QByteArray tmp, temp;
        QString expected;
    } cases[] = {{tmp.path().toUtf8(), temp.path().toUtf8(), tmp.path()},
                 {"", temp.path().toUtf8(), temp.path()},
                 {"", "", plant.program}};
    for (const Case& c : cases) {
        qputenv("TMP", c.tmp);
        qputenv("TEMP", c.temp);
        Agent agent({plant.program, 30s, 3s}, dialogs, clock);
        ASSERT_EQ(agent.load(), Form1Load::Outcome::Loaded);
        EXPECT_EQ(agent.CarpetaLog, c.expected);
        EXPECT_TRUE(QFile::exists(QDir(c.expected).filePath(logName))) << c.expected.toStdString();
    }
}

TEST(Agent, WindowActions) {
    TestPlant plant;
    RecordingDialogs dialogs;
    FakeClock clock;
    Agent agent({plant.program, 30s, 50ms}, dialogs, clock);
    ASSERT_EQ(agent.load(), Form1Load::Outcome::Loaded);
    Form1State& f = agent.form();

    BoundedWait().until([&] { return !f.form1.visible(); }, 2s);
    EXPECT_FALSE(f.form1.visible()) << "tmrHide hides the window";
    agent.mnuVornnetClick();
    EXPECT_TRUE(f.form1.visible());
    agent.Command1Click();
    EXPECT_FALSE(f.form1.visible());

    agent.lblTimeClick();
    EXPECT_EQ(f.lblTime.text(), "1");

    QSignalSpy quit(&agent, &Agent::quitRequested);
    f.txtPass.setText("nope");
    agent.btnCerrarClick();
    EXPECT_TRUE(f.txtPass.visible());
    EXPECT_EQ(quit.count(), 0) << "a wrong code does not end the program";
    f.txtPass.setText("TUP3");
    agent.btnCerrarClick();
    ASSERT_EQ(quit.count(), 1);
    EXPECT_EQ(quit[0][0].toInt(), 0);
}

TEST(Agent, NoMinimizeKeepsTheWindowShown) {
    TestPlant plant;
    RecordingDialogs dialogs;
    FakeClock clock;
    IniFile::write(QDir(plant.program).filePath("vornnet.ini"), "CONFIG", "noMinimize", "1");
    Agent agent({plant.program, 30s, 20ms}, dialogs, clock);
    ASSERT_EQ(agent.load(), Form1Load::Outcome::Loaded);
    BoundedWait().pause(150ms);
    EXPECT_TRUE(agent.form().form1.visible());
}
