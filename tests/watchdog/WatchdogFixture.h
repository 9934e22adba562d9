#pragma once

#include "app/Views.h"
#include "core/model/Form1State.h"
#include "core/settings/AgentSettings.h"
#include "core/state/RecentCounts.h"
#include "core/state/StatusFile.h"
#include "forwarding/BufferDb.h"
#include "supervision/SupervisionDb.h"
#include "support/FakeSender.h"
#include "support/ServicesTest.h"
#include "support/TestPlant.h"
#include "watchdog/GelmarProcesses.h"
#include "watchdog/Maintenance.h"
#include "watchdog/ProcessPrimitives.h"
#include "watchdog/ProcessTable.h"
#include "watchdog/StatusUpdate.h"

// The watchdog's parts over a plant made in-process (the stand-in's SQLite databases, an empty buffer)
// and a process table that sees only processes started below the test's own folder (the installation
// and the data tool's root).
class WatchdogFixture : public ServicesTest {
protected:
    WatchdogFixture() {
        form.txtPathGelmar.setText(plant.gelmar);
        form.chkOptimiza.setChecked(true);
        table.setScope(plant.root.path());
        settings.DataToolRoot = plant.root.filePath("raiz");
    }
    void SetUp() override {
        ASSERT_TRUE(db.ConectaConDB());
        buffer.open();
        status.setFreeBytes([this](const QString&) { return freeBytes; });
    }

    // The first value the last statement gives, on a connection of its own to a plant database.
    template <typename... Statements>
    QVariant sqlOn(const QString& catalogue, const Statements&... statements) {
        SideConnection c(GelmarInstall::databasePath(plant.gelmar, catalogue));
        QVariant value;
        for (const QString& statement : {QString(statements)...})
            EXPECT_TRUE((value = c.run(statement)).isValid()) << c.error();
        return value;
    }
    // A history row, as the supervision system writes it.
    void addHistory(const QDateTime& when) {
        sqlOn(GelmarInstall::acquired, "INSERT INTO HistoricalData (Timestamp) VALUES ('" +
                                           when.toString(GelmarInstall::dateFormat) + "')");
    }
    QStringList notices() { return noticesOf(buffer, clock.now()); }

    TestPlant plant;
    Form1State form;
    AgentSettings settings;
    StatusFlags flags;
    StatusFile statusFile{plant.program};
    SupervisionDb db{{.engine = DbEngine::Sqlite}, [this] { return plant.gelmar; }, log, dialogs};
    BufferDb buffer{BufferDb::pathIn(plant.program), dialogs};
    ProcessTable table;
    ProcessPrimitives baskill{table, dialogs};
    FakeRestarter restarter;
    bool chkAdquisicion = false; // none of these runs a network server unless it says so
    std::optional<qint64> freeBytes = qint64(100) << 30;
    RecentCounts counts;
    bool alarmsWatched = true;
    StatusUpdate status{{Views::statusUpdate(form, counts, alarmsWatched), Views::statusLimits(settings),
                         flags, statusFile, services(), db, buffer, baskill, restarter,
                         [] { return QStringLiteral("Desconectado"); }, [] { return false; },
                         [this] { return chkAdquisicion; }}};
    GelmarProcesses processes{Views::gelmarProcesses(form, settings), baskill, log, clock};
    int sweeps = 0;
    // clang-format off
    Maintenance maintenance{{plant.program, Views::maintenance(form), settings,
                             [this](const QString& stamp) { settings.UltOptimiza = stamp; }, statusFile,
                             services(), db, baskill, processes, [this](bool on) { chkAdquisicion = on; },
                             [this] { ++sweeps; }, {1ms, 1ms, 1ms, 1ms, 1ms}}};
    // clang-format on
};

#ifdef GELMAR_SIM_PATH
// A gelmar-sim installation in the plant's folder, for the tests that run its processes; what they
// started there is ended with the test.
class GelmarFixture : public WatchdogFixture {
protected:
    void SetUp() override {
        WatchdogFixture::SetUp();
        QString error;
        ASSERT_TRUE(GelmarInstall::install(plant.gelmar, "P", GELMAR_SIM_PATH, &error)) << error;
        processes.setRestartWait(50ms);
    }
    void TearDown() override {
        for (const ProcessEntry& e : table.list())
            ProcessTable::terminate(e.pid);
    }
    // Whether as many processes as count run there, waiting (bounded) for them to.
    bool running(qsizetype count) const {
        return pollUntil([&] { return table.list().size() == count; }, 10s);
    }

    QProcess gsnet;
};
#endif
