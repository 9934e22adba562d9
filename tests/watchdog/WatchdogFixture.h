#pragma once

#include "app/Views.h"
#include "core/AgentSettings.h"
#include "core/EventLog.h"
#include "core/Form1State.h"
#include "core/IniFile.h"
#include "core/StatusFile.h"
#include "core/SupervisionDb.h"
#include "forwarding/BufferDb.h"
#include "forwarding/GelmarRestarter.h"
#include "support/FakeClock.h"
#include "support/RecordingDialogs.h"
#include "support/TestPlant.h"
#include "watchdog/ProcessPrimitives.h"
#include "watchdog/ProcessTable.h"
#include "watchdog/StatusUpdate.h"

#include <QFile>
#include <QSqlQuery>
#include <gtest/gtest.h>

struct RecordingRestarter final : GelmarRestarter {
    void ReiniciaGelmar() override { ++restarts; }
    int restarts = 0;
};

// The watchdog's parts over a plant made in-process (the stand-in's SQLite databases, an empty buffer)
// and a process table that sees only processes started from the installation folder.
class WatchdogFixture : public ::testing::Test {
protected:
    WatchdogFixture() {
        form.txtPathGelmar.setText(plant.gelmar);
        table.setScope(plant.gelmar);
    }
    void SetUp() override {
        ASSERT_TRUE(db.ConectaConDB());
        buffer.open();
        status.setFreeBytes([this](const QString&) { return freeBytes; });
    }

    // A history row, as the supervision system writes it.
    void addHistory(const QDateTime& when) {
        {
            QSqlDatabase w = QSqlDatabase::addDatabase("QSQLITE", "writer");
            w.setDatabaseName(GelmarInstall::databasePath(plant.gelmar, GelmarInstall::acquired));
            ASSERT_TRUE(w.open() && QSqlQuery(w).exec("INSERT INTO HistoricalData (Timestamp) VALUES ('" +
                                                      when.toString(GelmarInstall::dateFormat) + "')"));
        }
        QSqlDatabase::removeDatabase("writer");
    }
    // The buffer's notices, as "device|alarm|beginend".
    QStringList notices() {
        QStringList all;
        for (const BufferRow& row : buffer.rowsAfter(0, QDateTime(QDate(2000, 1, 1), QTime(0, 0))))
            all << row.device + "|" + row.alarm + "|" + row.beginend;
        return all;
    }
    QString statusIni(StatusFile::Flag flag) const { return statusFile.read(flag); }
    QStringList logLines() const {
        QFile f(log.currentPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts)
                                           : QStringList();
    }

    TestPlant plant;
    FakeClock clock;
    RecordingDialogs dialogs;
    EventLog log{plant.root.path(), clock};
    Form1State form;
    AgentSettings settings;
    StatusFlags flags;
    StatusFile statusFile{plant.program};
    SupervisionDb db{{.engine = DbEngine::Sqlite}, [this] { return plant.gelmar; }, log, dialogs};
    BufferDb buffer{BufferDb::pathIn(plant.program), dialogs};
    ProcessTable table;
    ProcessPrimitives baskill{table, dialogs};
    RecordingRestarter restarter;
    bool chkAdquisicion = false; // none of these runs a network server unless it says so
    std::optional<qint64> freeBytes = qint64(100) << 30;
    StatusUpdate status{{Views::statusUpdate(form),
                         Views::statusLimits(settings),
                         flags,
                         statusFile,
                         {clock, log, dialogs},
                         db,
                         buffer,
                         baskill,
                         restarter,
                         [] { return QStringLiteral("Desconectado"); },
                         [] { return false; },
                         [this] { return chkAdquisicion; }}};
};
