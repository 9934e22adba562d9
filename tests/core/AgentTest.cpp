#include "app/Agent.h"
#include "app/StatusSnapshot.h"
#include "support/FakeNotificationIcon.h"
#include "support/ServicesTest.h"
#include "support/TestPlant.h"

#include <QJsonDocument>
#include <QScopeGuard>

class AgentTest : public ServicesTest {
protected:
    std::unique_ptr<Agent> loaded(std::chrono::milliseconds hideDelay = 3s) {
        auto agent = std::make_unique<Agent>(Agent::Options{plant.program, 30s, hideDelay}, dialogs, clock);
        EXPECT_EQ(agent->load(), Form1Load::Outcome::Loaded);
        return agent;
    }
    TestPlant plant;
};

TEST_F(AgentTest, LoadFillsTheWindowResumesSmsModeAndABadOptimisationDayLosesNothingElse) {
    EscribeIni(StatusFile(plant.program).path(), "status", "SMSON", "1");
    plant.config("DiaOptimiza", "martes");
    plant.config("noMinimize", "1");
    auto agent = loaded(20ms);
    EXPECT_TRUE(agent->form().lblModoSMS.visible()) << "status.ini is read before SMS mode is restored";
    EXPECT_EQ(agent->form().txtPlanta.text(), "EDAR Norte");
    EXPECT_TRUE(agent->ChkAdquisicion());
    EXPECT_EQ(agent->trayCaption(), "VornGelmarNet:::1003");
    dialogs.expectBox(Dialogs::Icon::Critical, "Error Vorn-Net", "No coinciden los tipos: 'martes'");
    EXPECT_EQ(agent->settings().DiaOptimiza, 3);
    EXPECT_TRUE(agent->loadedSteps().contains("start line"));
    BoundedWait().pause(150ms);
    EXPECT_TRUE(agent->form().form1.visible()) << "noMinimize keeps the window on screen";
}

TEST_F(AgentTest, LogFolderComesFromTmpThenTempThenTheProgramFolder) {
    const QByteArray savedTmp = qgetenv("TMP"), savedTemp = qgetenv("TEMP");
    // Restored even when an expectation fails, so later tests log where they expect.
    const auto restore = qScopeGuard([&] {
        qputenv("TMP", savedTmp);
        qputenv("TEMP", savedTemp);
    });
    QTemporaryDir tmp, temp;
    const QString logName = EventLog::fileName(clock.now().date());
    const std::tuple<QString, QString, QString> cases[] = {
        {tmp.path(), temp.path(), tmp.path()}, {"", temp.path(), temp.path()}, {"", "", plant.program}};
    for (const auto& [tmp, temp, expected] : cases) {
        qputenv("TMP", tmp.toUtf8());
        qputenv("TEMP", temp.toUtf8());
        auto agent = loaded();
        EXPECT_EQ(agent->CarpetaLog(), expected);
        EXPECT_TRUE(QFile::exists(QDir(expected).filePath(logName))) << expected;
    }
}

TEST_F(AgentTest, OnlyTheCodeClosesTheProgram) {
    auto agent = loaded();
    QSignalSpy quit(agent.get(), &Agent::quitRequested);
    agent->form().txtPass.setText("nope");
    agent->btnCerrarClick();
    EXPECT_EQ(quit.count(), 0) << "a wrong code does not end the program";
    agent->form().txtPass.setText("TUP3");
    agent->btnCerrarClick();
    ASSERT_EQ(quit.count(), 1);
    EXPECT_EQ(quit[0][0].toInt(), 0);
}

TEST_F(AgentTest, ATypedAccessCodeIsNeverToldAndGoesWhenTheWindowLeaves) {
    auto agent = loaded();
    const StatusSnapshot snapshot(
        {plant.program, agent->form(), agent->flags(), agent->delivery(), agent->link()});
    const auto told = [&snapshot] { return QJsonDocument(snapshot.json()).toJson(); };
    agent->form().txtPass.setText("mal-7731");
    agent->btnconfigurarClick();
    EXPECT_FALSE(told().contains("mal-7731")) << "a wrong attempt";
    agent->form().txtPass.setText("TUP3");
    agent->btnconfigurarClick();
    ASSERT_EQ(agent->form().btnconfigurar.text(), "Guardar");
    EXPECT_FALSE(told().contains("TUP3")) << "the code while the screen is unlocked";
    agent->Command1Click();
    EXPECT_EQ(agent->form().txtPass.text(), "") << "left without saving";
    EXPECT_FALSE(agent->form().txtPass.visible());
}

TEST_F(AgentTest, ALockThatCanNotBeMadeIsToldAndEndsTheProgram) {
    // Not another copy: the lock's name is taken by a folder.
    ASSERT_TRUE(QDir().mkpath(QDir(plant.program).filePath("vornnet.lock")));
    Agent agent(Agent::Options{plant.program, 30s, 3s}, dialogs, clock);
    EXPECT_EQ(agent.load(), Form1Load::Outcome::EndProgram);
    EXPECT_FALSE(agent.salir());
    dialogs.expectBox(Dialogs::Icon::Critical, Dialogs::errorTitle,
                      "No se puede crear el fichero de bloqueo vornnet.lock en la carpeta del programa " +
                          plant.program + ": ese nombre lo tiene una carpeta");
    EXPECT_EQ(agent.loadedSteps(), QStringList({"caption"}));
}

TEST_F(AgentTest, OptimisationStepAndTheMaintenanceButtonsReachTheMaintenance) {
    plant.config("ChkOptimiza", "1");
    // Nothing outside the test's folder is ever stopped; no supervision system is installed in it.
    Agent agent({.programFolder = plant.program,
                 .tick = 20ms,
                 .linkWait = 50ms,
                 .processScope = plant.root.path(),
                 .maintenanceWaits = {1ms, 1ms, 1ms, 1ms, 1ms}},
                dialogs, clock);
    ASSERT_EQ(agent.load(), Form1Load::Outcome::Loaded);
    // Never optimised: the first run's step stamps the day and runs the reindex, whose relaunch fails.
    ASSERT_TRUE(pollUntil([&] { return !dialogs.shown.isEmpty(); }, 10s));
    EXPECT_EQ(dialogs.shown.last().title, "Rutine: btnReindex");
    EXPECT_EQ(agent.settings().UltOptimiza, clock.now().toString("yyyy/MM/dd HH:mm:ss"));
    agent.btnRepHistClick();
    EXPECT_TRUE(QFile::exists(QDir(plant.program).filePath("repair.log")));
    agent.form().chkOptimiza.setChecked(false);
    agent.form().paso.setText("-");
    agent.btnReindexClick();
    EXPECT_EQ(dialogs.shown.last().text,
              "No se realizó el proceso porque no está activa la casilla de optimiza semanal");
    EXPECT_EQ(agent.form().paso.text(), "-") << "the refusal is all it does";
}

TEST_F(AgentTest, WindowLeavesTheScreenOnlyForAnIconInTheNotificationArea) {
    FakeNotificationIcon icon;
    icon.area = false;
    Agent agent(Agent::Options{plant.program, 30s, 20ms}, dialogs, clock);
    agent.tray().attachIcon(&icon);
    QSignalSpy minimised(&agent.tray(), &Tray::minimiseRequested);
    ASSERT_EQ(agent.load(), Form1Load::Outcome::Loaded);
    ASSERT_TRUE(pollUntil([&] { return minimised.count() == 1; }, 2s)) << "tmrHide";
    agent.Command1Click();
    agent.closeBoxClick();
    EXPECT_TRUE(agent.form().form1.visible());
    EXPECT_EQ(minimised.count(), 3);

    icon.area = true;
    agent.closeBoxClick();
    EXPECT_FALSE(agent.form().form1.visible());
    agent.mnuVornnetClick();
    EXPECT_TRUE(agent.form().form1.visible());
    EXPECT_EQ(icon.added, QStringList{"VornGelmarNet:::1003"});

    FakeNotificationIcon secondIcon;
    Agent second(Agent::Options{plant.program, 30s, 20ms}, dialogs, clock);
    second.tray().attachIcon(&secondIcon);
    EXPECT_EQ(second.load(), Form1Load::Outcome::EndSilently);
    EXPECT_TRUE(secondIcon.added.isEmpty()) << "a second copy never adds an icon";

    agent.unload();
    EXPECT_FALSE(icon.shown);
}

TEST(SingleInstance, ALiveCopyIsToldApartFromALockThatCanNotBeMade) {
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    ASSERT_EQ(first.acquire(), SingleInstance::Result::Acquired);
    EXPECT_EQ(first.acquire(), SingleInstance::Result::Acquired) << "asking again keeps it";
    SingleInstance second(dir.path());
    EXPECT_EQ(second.acquire(), SingleInstance::Result::OtherCopy);

    // A lock left by a copy that is gone is taken over.
    QTemporaryDir stale;
    writeFile(QDir(stale.path()).filePath("vornnet.lock"), "2147483646\nvornnet\n\n"); // no such process
    EXPECT_EQ(SingleInstance(stale.path()).acquire(), SingleInstance::Result::Acquired);

    // Anything else is a fault to tell, naming the folder and the cause.
    QTemporaryDir other;
    const QString notAFolder = other.filePath("file");
    writeFile(notAFolder);
    for (const QString& folder : {other.filePath("no-such-folder"), notAFolder}) {
        SingleInstance lock(folder);
        EXPECT_EQ(lock.acquire(), SingleInstance::Result::Failed) << folder;
        EXPECT_TRUE(lock.errorText().contains(folder)) << lock.errorText();
        EXPECT_GT(lock.errorText().size(), folder.size() + 20) << lock.errorText();
    }
}
