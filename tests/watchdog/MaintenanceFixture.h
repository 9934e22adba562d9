#pragma once

#include "WatchdogFixture.h"
#include "core/StatusFile.h"
#include "watchdog/GelmarProcesses.h"
#include "watchdog/Maintenance.h"

#include <QSqlError>

using namespace std::chrono_literals;

// Maintenance over the watchdog's fixture; the process table sees only what was started below the test's
// own folder (the installation and the data tool's root).
class MaintenanceFixture : public WatchdogFixture {
protected:
    MaintenanceFixture() {
        table.setScope(plant.root.path());
        form.chkOptimiza.setChecked(true);
        settings.DataToolRoot = plant.root.filePath("raiz");
    }
    // The first value the last statement gives, on a connection of its own to a plant database.
    QVariant sqlOn(const QString& catalogue, const QStringList& statements) {
        QVariant value;
        {
            QSqlDatabase c = QSqlDatabase::addDatabase("QSQLITE", "inspector");
            c.setDatabaseName(GelmarInstall::databasePath(plant.gelmar, catalogue));
            c.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");
            EXPECT_TRUE(c.open());
            QSqlQuery q(c);
            for (const QString& statement : statements)
                EXPECT_TRUE(q.exec(statement)) << q.lastError().text().toStdString();
            if (q.next())
                value = q.value(0);
        }
        QSqlDatabase::removeDatabase("inspector");
        return value;
    }
    QVariant sqlOn(const QString& catalogue, const QString& statement) {
        return sqlOn(catalogue, QStringList{statement});
    }
    QString indexSql() {
        return sqlOn(GelmarInstall::acquired,
                     "SELECT sql FROM sqlite_master WHERE name = 'IX_HistoricalData'")
            .toString();
    }

    StatusFile statusFile{plant.program};
    GelmarProcesses processes{Views::gelmarProcesses(form, settings), baskill, log, clock};
    int sweeps = 0;
    Maintenance maintenance{{plant.program,
                             {form.chkOptimiza, form.txtPathGelmar, form.btnReindex, form.btnRepHist,
                              form.paso, form.ProgressBar1, form.lblUltOptimiza, form.txtError},
                             settings,
                             [this](const QString& stamp) { settings.UltOptimiza = stamp; },
                             statusFile,
                             {clock, log, dialogs},
                             db,
                             baskill,
                             processes,
                             [this](bool on) { chkAdquisicion = on; },
                             [this] { ++sweeps; },
                             {1ms, 1ms, 1ms, 1ms, 1ms}}};
};
