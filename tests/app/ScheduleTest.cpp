#include "app/Schedule.h"
#include "core/model/Control.h"
#include "core/runtime/StepRunner.h"
#include "support/TestCommon.h"

// The agent's schedule on Timer3's runner, the label going to lblProceso as the agent has it.
class ScheduleTest : public ::testing::Test {
protected:
    ScheduleTest() {
        steps.skipOptimiza = [this] { return Reindexando; };
        steps.addTo(scheduler);
        QObject::connect(&scheduler, &StepRunner::labelChanged,
                         [this](const QString& label) { lblProceso.setText(label); });
    }

    // Every step notes its name and the label shown while it runs.
    void fill(bool netOk = true, bool dataOk = true) {
        steps.PreActualizaDatosVida = note("PreActualizaDatosVida");
        steps.ActualizaIcoNetActivo = note("ActualizaIcoNetActivo");
        steps.CheckSMS = note("CheckSMS");
        steps.BuscaAlarmas = note("BuscaAlarmas");
        steps.SubSynchro = note("SubSynchro");
        steps.checkNetActivo = note("checkNetActivo", netOk);
        steps.TestData = note("TestData", dataOk);
        steps.MandaMensajeRestart = note("MandaMensajeRestart");
        steps.ReiniciaGelmar = note("ReiniciaGelmar");
        steps.Optimiza = note("Optimiza");
    }
    // A step that notes itself; a test step passes or fails as told.
    std::function<bool()> note(const QString& name, bool passes = true) {
        return [=, this] { return calls.append(name + "@" + lblProceso.text()), passes; };
    }
    // Whether the runner made `runs` runs in time.
    bool run(std::chrono::milliseconds period, int runs, bool loaded = true) {
        scheduler.setPeriod(period);
        if (loaded)
            scheduler.loadFinished();
        scheduler.start();
        return pollUntil([&] { return scheduler.runs() >= runs; }, 3s);
    }

    Control lblProceso{"lblProceso", "---"};
    bool Reindexando = false;
    Schedule steps;
    StepRunner scheduler;
    QStringList calls;
};

TEST_F(ScheduleTest, RunsEveryStepInItsOrderWithItsLabel) {
    fill(false, true);
    ASSERT_TRUE(run(10ms, 1));
    EXPECT_EQ(calls.mid(0, 10),
              QStringList({"PreActualizaDatosVida@Actualiza Datos", "ActualizaIcoNetActivo@Actualiza Leds",
                           "CheckSMS@CheckSMS", "BuscaAlarmas@Busca Alarmas", "SubSynchro@Sincroniza reloj",
                           "checkNetActivo@Test Net Activo", "TestData@Test Net Activo",
                           "MandaMensajeRestart@Test Net Activo", "ReiniciaGelmar@Test Net Activo",
                           "Optimiza@Optimiza"}))
        << "a failed process test still runs the data test, then the restart";
    EXPECT_EQ(lblProceso.text(), "---");
}

TEST_F(ScheduleTest, NoRestartWhenBothTestsPassAndNoOptimiseWhileReindexing) {
    fill(true, true);
    Reindexando = true;
    ASSERT_TRUE(run(10ms, 1));
    EXPECT_TRUE(calls.contains("TestData@Test Net Activo"));
    EXPECT_FALSE(calls.join(",").contains("Reinicia"));
    EXPECT_FALSE(calls.join(",").contains("Optimiza@"));
}

TEST_F(ScheduleTest, FirstRunWaitsForTheLoad) {
    fill();
    run(20ms, 1, false);
    BoundedWait().pause(150ms);
    EXPECT_EQ(scheduler.runs(), 0) << "held back until the load has finished";
    scheduler.loadFinished();
    EXPECT_TRUE(pollUntil([&] { return scheduler.runs() >= 1; }, 1s))
        << "the held tick runs once the load is done";
}

TEST_F(ScheduleTest, NextRunStartsOnePeriodAfterTheEndOfALongRun) {
    QElapsedTimer clock;
    clock.start();
    QList<qint64> starts, ends;
    steps.PreActualizaDatosVida = [&] {
        starts.append(clock.elapsed());
        BoundedWait().pause(starts.size() == 1 ? 300ms : 0ms); // the first run is long
    };
    QObject::connect(&scheduler, &StepRunner::runFinished, [&] { ends.append(clock.elapsed()); });
    run(100ms, 2);
    ASSERT_GE(starts.size(), 2);
    EXPECT_GE(starts[1] - ends[0], 95) << "re-armed at the end of the run";
    EXPECT_GE(starts[1] - starts[0], 395) << "not one period after its start";
}

TEST_F(ScheduleTest, AThrowingStepDoesNotStopTheRunButStopInsideAStepDoes) {
    fill();
    steps.CheckSMS = [] { throw std::runtime_error("modem"); };
    EXPECT_TRUE(run(10ms, 2));
    EXPECT_TRUE(calls.contains("Optimiza@Optimiza"));

    // As a shutdown that arrives while the alarm scan waits on the link.
    steps.BuscaAlarmas = [this] {
        calls.append("BuscaAlarmas");
        scheduler.stop();
    };
    pollUntil([&] { return calls.contains("BuscaAlarmas"); }, 3s);
    const int runs = scheduler.runs();
    BoundedWait().pause(100ms);
    EXPECT_EQ(scheduler.runs(), runs);
    EXPECT_FALSE(scheduler.Timer3.isActive());
    EXPECT_EQ(calls.last(), "BuscaAlarmas") << calls.join(", ").toStdString();
}
