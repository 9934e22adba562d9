#pragma once

#include "core/AgentSettings.h"
#include "core/Form1State.h"
#include "core/IniFile.h"
#include "core/SupervisionDb.h"
#include "forwarding/BufferDb.h"
#include "forwarding/EventLog.h"
#include "support/FakeClock.h"
#include "support/RecordingDialogs.h"
#include "support/TestPlant.h"
#include "watchdog/GelmarRestarter.h"
#include "watchdog/ProcessPrimitives.h"
#include "watchdog/ProcessTable.h"
#include "watchdog/StatusUpdate.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <gtest/gtest.h>

// Counts the restarts a step asked for.
struct RecordingRestarter final : GelmarRestarter {
    void ReiniciaGelmar() override { ++restarts; }
    int restarts = 0;
};

// The status update over a plant made in-process: the stand-in's SQLite databases, an empty buffer,
// the window model with the installation path, and a process table that sees only the installation's
// own processes.
class WatchdogFixture : public ::testing::Test {
protected:
    WatchdogFixture() {
        form.txtPathGelmar.setText(plant.gelmar);
        table.setScope(plant.gelmar);
        IniFile::write(QDir(plant.gelmar).filePath("GS.INI"), "STATUS", "acquisition", "1");
    }
    void SetUp() override {
        ASSERT_TRUE(db.ConectaConDB());
        buffer.open();
        status.setFreeBytes([this](const QString&) { return freeBytes; });
    }

    // A history row, written the way the supervision system writes it.
    void addHistory(const QDateTime& when) {
        const QString name = QStringLiteral("history-writer");
        {
            QSqlDatabase w = QSqlDatabase::addDatabase("QSQLITE", name);
            w.setDatabaseName(GelmarInstall::databasePath(plant.gelmar, GelmarInstall::acquired));
            ASSERT_TRUE(w.open());
            QSqlQuery q(w);
            q.prepare(
                "INSERT INTO HistoricalData (Ref_virtinstrumentid, Timestamp, Value) VALUES ('1', ?, 1)");
            q.addBindValue(when.toString(GelmarInstall::dateFormat));
            ASSERT_TRUE(q.exec());
        }
        QSqlDatabase::removeDatabase(name);
    }
    // The buffer's notices, as "device|alarm|beginend".
    QStringList notices() {
        QStringList all;
        for (const BufferRow& row : buffer.rowsAfter(0, QDateTime(QDate(2000, 1, 1), QTime(0, 0))))
            all << row.device + "|" + row.alarm + "|" + row.beginend;
        return all;
    }
    QString statusIni(const char* key) const {
        return IniFile::read(QDir(plant.program).filePath("status.ini"), "status", key);
    }
    QStringList logLines() const {
        QFile f(log.currentPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    }

    TestPlant plant;
    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0))};
    RecordingDialogs dialogs;
    EventLog log{plant.root.path(), clock};
    Form1State form;
    AgentSettings settings;
    SupervisionDb db{{.engine = DbEngine::Sqlite}, [this] { return plant.gelmar; }, log, dialogs};
    BufferDb buffer{BufferDb::pathIn(plant.program), dialogs};
    ProcessTable table;
    ProcessPrimitives baskill{table, dialogs};
    RecordingRestarter restarter;
    bool chkAdquisicion = true;
    bool timerArmed = false;
    std::optional<qint64> freeBytes = qint64(100) << 30;
    StatusUpdate status{{plant.program, form, settings, clock, log, db, buffer, baskill, restarter,
                         [] { return QStringLiteral("Desconectado"); }, [this] { return timerArmed; },
                         [this] { return chkAdquisicion; }}};
};
