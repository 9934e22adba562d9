#include "WatchdogFixture.h"
#include "core/text/AgentLocale.h"

#include <atomic>
#include <thread>

const QString acq = GelmarInstall::acquired, cfg = GelmarInstall::config;
const QString timestampIndex = "CREATE INDEX IX_HistoricalData ON HistoricalData (Timestamp)";

// The whole reindex and repair against a gelmar-sim installation and a data tool below the data-tool
// root, all started by the test from its own folder.
class MaintenanceProcessTest : public GelmarFixture {
protected:
    void SetUp() override {
        GelmarFixture::SetUp();
        // Named as an installer on a file system that ignores case may have named it.
        const QString toolFolder = settings.DataToolRoot + "/Archivos de Programa/Brenvik/vorn data";
        ASSERT_TRUE(QDir().mkpath(toolFolder) && QFile::link(GELMAR_SIM_PATH, toolFolder + "/VORNDATA.EXE"));
        gsnet.start(QDir(plant.gelmar).filePath("GSNET.EXE"), {"--history-ms", "200"});
        tool.start(toolFolder + "/VORNDATA.EXE");
        ASSERT_EQ(runningPids().size(), 5);
    }
    // The pids of the four servers and the data tool once each runs once; empty when they do not.
    QSet<qint64> runningPids() const {
        QSet<qint64> pids;
        const auto fiveOnce = [&] {
            QSet<QString> names;
            pids.clear();
            const QList<ProcessEntry> all = table.list();
            for (const ProcessEntry& e : all) {
                names << e.name.toUpper();
                pids << e.pid;
            }
            return names.size() == 5 && all.size() == 5;
        };
        return pollUntil(fiveOnce, 10s) ? pids : QSet<qint64>();
    }
    QString indexSql() {
        return sqlOn(acq, "SELECT sql FROM sqlite_master WHERE name = 'IX_HistoricalData'").toString();
    }
    void expectRestarted(const QSet<qint64>& before) {
        const QSet<qint64> after = runningPids();
        EXPECT_EQ(after.size(), 5);
        EXPECT_FALSE(after.intersects(before)) << "every process is a new one";
    }

    QProcess tool;
};

TEST_F(MaintenanceProcessTest, ReindexStopsTheSystemRebuildsTheIndexAndStartsItAgain) {
    maintenance.setWaits({1s, 1s, 1s, 1ms, 1ms});
    QStringList pasos;
    QMap<QString, QColor> colourAt;
    form.paso.setNotifier([&] {
        pasos << form.paso.text();
        colourAt[form.paso.text()] = form.btnReindex.background();
    });
    // A wrong index under the name, with another writer keeping the index statements waiting beyond the
    // connection's usual time-out; then no index at all.
    for (const bool wrongIndex : {true, false}) {
        sqlOn(acq, "DROP INDEX IX_HistoricalData");
        if (wrongIndex)
            sqlOn(acq, "CREATE INDEX IX_HistoricalData ON HistoricalData (Value)");
        const QSet<qint64> before = runningPids();
        pasos.clear();
        sweeps = 0;
        db.setCommandTimeout(SupervisionDb::Which::Acquired, 1s);
        std::atomic<bool> locked{false};
        std::jthread holder([&, path = GelmarInstall::databasePath(plant.gelmar, acq), hold = wrongIndex] {
            SideConnection w(path);
            locked = w.run("BEGIN IMMEDIATE").isValid();
            std::this_thread::sleep_for(hold ? 2500ms : 0ms);
            w.run("COMMIT");
        });
        ASSERT_TRUE(pollUntil([&] { return locked.load(); }, 5s));
        maintenance.btnReindex_Click();
        holder.join();

        EXPECT_EQ(pasos, (QStringList{"Cerrando...", "Cierre 0/1", "Cierre 1/1", "Indexando", "Espera ",
                                      "Espera 0/1", "Espera 1/1", "Lanzando...", "Finalizado 0/1",
                                      "Finalizado 1/1", ""}));
        EXPECT_EQ(indexSql(), timestampIndex);
        expectRestarted(before);
        EXPECT_EQ(colourAt["Indexando"], QColor(255, 0, 0));
        EXPECT_EQ(colourAt["Lanzando..."], QColor(0, 255, 0));
        EXPECT_FALSE(form.btnReindex.background().isValid()) << "its own colour back";
        EXPECT_TRUE(chkAdquisicion);
        EXPECT_EQ(sweeps, 1);
        EXPECT_EQ(db.commandTimeout(SupervisionDb::Which::Acquired), 1s);
        EXPECT_TRUE(dialogs.shown.isEmpty());
    }
}

TEST_F(MaintenanceProcessTest, RepairRunsTheSixStepsOnTheStandInsDatabasesAndStartsTheSystemAgain) {
    sqlOn(acq, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
               "INSERT INTO TemporaryData (Timestamp, Value) SELECT randomblob(800), i FROM n");
    // An index that no longer matches its rows, for the check to find.
    sqlOn(acq, "PRAGMA writable_schema = ON",
          "UPDATE sqlite_master SET sql = 'CREATE INDEX IX_HistoricalData ON HistoricalData (Value)' "
          "WHERE name = 'IX_HistoricalData'");
    sqlOn(cfg, "CREATE TABLE Junk AS SELECT randomblob(100000) AS b");
    sqlOn(cfg, "DROP TABLE Junk");
    ASSERT_GT(sqlOn(cfg, "PRAGMA freelist_count").toInt(), 0);
    ASSERT_TRUE(db.reconnect()); // the schema as it now is
    const QSet<qint64> before = runningPids();

    QColor atSecondClick;
    QTimer::singleShot(0, [&] {
        atSecondClick = form.btnRepHist.background();
        maintenance.btnRepHist_Click();
        maintenance.btnReindex_Click();
    });
    maintenance.btnRepHist_Click();

    EXPECT_EQ(readText(maintenance.repairLogPath()),
              "Proceso Repair lanzado el  " + AgentLocale::dateTimeText(clock.now()) + "\r\n");
    EXPECT_EQ(atSecondClick, QColor(255, 0, 0));
    ASSERT_EQ(dialogs.shown.size(), 2) << "neither button starts a run inside this one";
    EXPECT_EQ(dialogs.shown[0].text, "El proceso ya se ha iniciado");
    EXPECT_EQ(dialogs.shown[1].text, "El proceso ya se ha iniciado");

    EXPECT_EQ(sqlOn(acq, "SELECT count(*) FROM TemporaryData").toInt(), 0);
    EXPECT_TRUE(form.txtError.text().startsWith("1-CheckDb: row ")) << form.txtError.text();
    EXPECT_EQ(sqlOn(acq, "PRAGMA integrity_check").toString(), "ok");
    EXPECT_EQ(indexSql(), timestampIndex);
    EXPECT_EQ(sqlOn(acq, "PRAGMA freelist_count").toInt(), 0);
    EXPECT_EQ(sqlOn(cfg, "PRAGMA freelist_count").toInt(), 0);
    expectRestarted(before);
    // Out of exclusive locking: the relaunched server records again.
    const auto newest = [&] { return sqlOn(acq, "SELECT max(ID_histreg) FROM HistoricalData").toLongLong(); };
    const qint64 last = newest();
    EXPECT_TRUE(pollUntil([&] { return newest() > last; }, 10s));
    EXPECT_FALSE(form.btnRepHist.background().isValid());
    EXPECT_EQ(form.paso.text(), "");
    EXPECT_EQ(sweeps, 1);
    EXPECT_EQ(db.commandTimeout(SupervisionDb::Which::Acquired), 5s);
}
