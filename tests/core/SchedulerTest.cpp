#include "core/Scheduler.h"
#include "core/BoundedWait.h"
#include "core/Control.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

struct Recorder {
    Control lblProceso{"lblProceso", "---"};
    bool Reindexando = false;
    Scheduler scheduler{lblProceso, Reindexando};
    QStringList calls;

    auto note(const QString& name) {
        return [this, name] { calls.append(name + "@" + lblProceso.text()); };
    }
    void fill(bool netOk = true, bool dataOk = true) {
        auto& s = scheduler.steps();
        s.PreActualizaDatosVida = note("PreActualizaDatosVida");
        s.ActualizaIcoNetActivo = note("ActualizaIcoNetActivo");
        s.CheckSMS = note("CheckSMS");
        s.BuscaAlarmas = note("BuscaAlarmas");
        s.SubSynchro = note("SubSynchro");
        s.checkNetActivo = [this, netOk] {
            calls.append("checkNetActivo@" + lblProceso.text());
            return netOk;
        };
        s.TestData = [this, dataOk] {
            calls.append("TestData@" + lblProceso.text());
            return dataOk;
        };
        s.MandaMensajeRestart = note("MandaMensajeRestart");
        s.ReiniciaGelmar = note("ReiniciaGelmar");
        s.Optimiza = note("Optimiza");
    }
    void waitRuns(int n, std::chrono::milliseconds limit = 3s) {
        BoundedWait().until([&] { return scheduler.runs() >= n; }, limit);
    }
};

} // namespace

TEST(Scheduler, RunsEveryStepInItsOrderWithItsLabel) {
    Recorder r;
    r.fill(false, true);
    r.scheduler.setPeriod(10ms);
    r.scheduler.loadFinished();
    r.scheduler.start();
    r.waitRuns(1);
    ASSERT_GE(r.scheduler.runs(), 1);
    EXPECT_EQ(r.calls.mid(0, 10),
              QStringList({"PreActualizaDatosVida@Actualiza Datos", "ActualizaIcoNetActivo@Actualiza Leds",
                           "CheckSMS@CheckSMS", "BuscaAlarmas@Busca Alarmas", "SubSynchro@Sincroniza reloj",
                           "checkNetActivo@Test Net Activo", "TestData@Test Net Activo",
                           "MandaMensajeRestart@Test Net Activo", "ReiniciaGelmar@Test Net Activo",
                           "Optimiza@Optimiza"}))
        << "a failed process test still runs the data test, then the restart";
    EXPECT_EQ(r.lblProceso.text(), "---");
}

TEST(Scheduler, NoRestartWhenBothTestsPassAndNoOptimiseWhileReindexing) {
    Recorder r;
    r.fill(true, true);
    r.Reindexando = true;
    QStringList labels;
    QObject::connect(&r.scheduler, &Scheduler::labelChanged, [&](const QString& l) { labels.append(l); });
    r.scheduler.setPeriod(10ms);
    r.scheduler.loadFinished();
    r.scheduler.start();
    r.waitRuns(1);
    EXPECT_FALSE(r.calls.join(",").contains("Reinicia"));
    EXPECT_FALSE(r.calls.join(",").contains("Optimiza@"));
    ASSERT_GE(labels.size(), 8);
    EXPECT_EQ(labels.mid(6, 2), QStringList({"Optimiza", "---"})) << "the label is still shown";
}

TEST(Scheduler, FirstRunWaitsForTheLoadAndRunsNeverOverlap) {
    Recorder r;
    r.fill();
    r.scheduler.setPeriod(20ms);
    r.scheduler.start();
    BoundedWait().pause(150ms);
    EXPECT_EQ(r.scheduler.runs(), 0) << "held back until the load has finished";
    r.scheduler.loadFinished();
    r.waitRuns(1, 1s);
    EXPECT_GE(r.scheduler.runs(), 1) << "the held tick runs as soon as the load is done";

    // A step that waits lets events run; the timer is stopped meanwhile, so no second run starts inside.
    int depth = 0, deepest = 0;
    r.scheduler.steps().BuscaAlarmas = [&] {
        deepest = std::max(deepest, ++depth);
        BoundedWait().pause(120ms);
        --depth;
    };
    const int base = r.scheduler.runs();
    r.waitRuns(base + 2, 3s);
    EXPECT_GE(r.scheduler.runs(), base + 2);
    EXPECT_EQ(deepest, 1);
}

TEST(Scheduler, NextRunStartsOnePeriodAfterTheEndOfALongRun) {
    Recorder r;
    r.scheduler.setPeriod(100ms);
    QElapsedTimer clock;
    clock.start();
    QList<qint64> starts, ends;
    r.scheduler.steps().PreActualizaDatosVida = [&] {
        starts.append(clock.elapsed());
        BoundedWait().pause(starts.size() == 1 ? 300ms : 0ms); // the first run is long
    };
    QObject::connect(&r.scheduler, &Scheduler::runFinished, [&] { ends.append(clock.elapsed()); });
    r.scheduler.loadFinished();
    r.scheduler.start();
    r.waitRuns(2, 3s);
    ASSERT_GE(starts.size(), 2);
    const qint64 gap = starts[1] - ends[0];
    EXPECT_GE(gap, 95) << "re-armed at the end of the run";
    EXPECT_GE(starts[1] - starts[0], 395) << "not one period after its start";
}

TEST(Scheduler, AThrowingStepDoesNotStopTheRun) {
    Recorder r;
    r.fill();
    r.scheduler.steps().CheckSMS = [] { throw std::runtime_error("modem"); };
    r.scheduler.setPeriod(10ms);
    r.scheduler.loadFinished();
    r.scheduler.start();
    r.waitRuns(2);
    EXPECT_GE(r.scheduler.runs(), 2);
    EXPECT_TRUE(r.calls.contains("Optimiza@Optimiza"));
}

TEST(Scheduler, StopInsideAStepEndsTheRunAndNoOtherStarts) {
    // As a shutdown that arrives while the alarm scan waits on the link.
    Recorder r;
    r.fill();
    r.scheduler.steps().BuscaAlarmas = [&r] {
        r.calls.append("BuscaAlarmas");
        r.scheduler.stop();
    };
    r.scheduler.setPeriod(10ms);
    r.scheduler.loadFinished();
    r.scheduler.start();
    r.waitRuns(1);
    BoundedWait().pause(100ms);
    EXPECT_EQ(r.scheduler.runs(), 1);
    EXPECT_FALSE(r.scheduler.Timer3.isActive());
    EXPECT_EQ(r.calls.last(), "BuscaAlarmas") << r.calls.join(", ").toStdString();
}
