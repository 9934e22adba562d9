#pragma once

#include "WatchdogFixture.h"
#include "core/StatusFile.h"
#include "watchdog/GelmarProcesses.h"
#include "watchdog/Maintenance.h"

#include <QSqlError>
#include <QSqlRecord>

using namespace std::chrono_literals;

// Maintenance over the watchdog's fixture: the window model, a plant made in-process, and a process
// table that sees only what was started below the test's own folder (the installation and the data
// tool's root).
class MaintenanceFixture : public WatchdogFixture {
protected:
    MaintenanceFixture() {
        table.setScope(plant.root.path());
        form.chkOptimiza.setChecked(true);
        settings.DataToolRoot = plant.root.filePath("raiz");
    }

    // The first value of the first row of a statement run on its own connection to a plant database;
    // an invalid value when it fails.
    QVariant sqlOn(const QString& catalogue, const QString& statement) {
        QVariant value;
        {
            QSqlDatabase c = QSqlDatabase::addDatabase("QSQLITE", "inspector");
            c.setDatabaseName(GelmarInstall::databasePath(plant.gelmar, catalogue));
            c.setConnectOptions("QSQLITE_BUSY_TIMEOUT=5000");
            QSqlQuery q(c);
            if (!c.open() || !q.exec(statement))
                ADD_FAILURE() << statement.toStdString() << ": " << q.lastError().text().toStdString();
            else if (q.next())
                value = q.value(0);
        }
        QSqlDatabase::removeDatabase("inspector");
        return value;
    }
    QString indexSql() {
        return sqlOn(GelmarInstall::acquired,
                     "SELECT sql FROM sqlite_master WHERE type = 'index' AND name = 'IX_HistoricalData'")
            .toString();
    }

    StatusFile statusFile{plant.program};
    GelmarProcesses processes{form, settings, baskill, log, clock};
    int sweeps = 0;
    Maintenance maintenance{{plant.program,
                             form,
                             settings,
                             statusFile,
                             clock,
                             log,
                             dialogs,
                             db,
                             baskill,
                             processes,
                             [this](bool on) { chkAdquisicion = on; },
                             [this] { ++sweeps; },
                             {1ms, 1ms, 1ms, 1ms, 1ms}}};
};
