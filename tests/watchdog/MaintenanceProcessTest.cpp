#include "MaintenanceFixture.h"
#include "core/AgentLocale.h"
#include "core/BoundedWait.h"

#include <QMap>
#include <QProcess>
#include <QTimer>
#include <atomic>
#include <thread>

namespace {

const QStringList systemNames = {"GSNET.EXE", "KOBSERVER.EXE", "PLXSERVER.EXE", "VQM.EXE", "VORNDATA.EXE"};
const QString timestampIndex = "CREATE INDEX IX_HistoricalData ON HistoricalData (Timestamp)";

// The whole reindex and repair against a gelmar-sim installation and a data tool below the data-tool
// root, all started by the test from its own folder.
class MaintenanceProcessTest : public MaintenanceFixture {
protected:
    void SetUp() override {
        MaintenanceFixture::SetUp();
        QString error;
        ASSERT_TRUE(GelmarInstall::install(plant.gelmar, "P", GELMAR_SIM_PATH, &error))
            << error.toStdString();
        // Named as an installer on a file system that ignores case may have named it.
        const QString toolFolder = settings.DataToolRoot + "/Archivos de Programa/Brenvik/vorn data";
        ASSERT_TRUE(QDir().mkpath(toolFolder));
        dataTool = toolFolder + "/VORNDATA.EXE";
        ASSERT_TRUE(QFile::link(GELMAR_SIM_PATH, dataTool));
    }
    void TearDown() override {
        for (const ProcessEntry& e : table.list())
            ProcessTable::terminate(e.pid);
    }

    void startSystem() {
        gsnet.start(QDir(plant.gelmar).filePath("GSNET.EXE"), {"--history-ms", "200"});
        tool.start(dataTool);
        ASSERT_TRUE(systemRunning());
    }
    // Each process of the system, and the data tool, running once: name to pid.
    QMap<QString, qint64> pids() const {
        QMap<QString, qint64> found;
        for (const ProcessEntry& e : table.list())
            found.insert(e.name.toUpper(), found.contains(e.name.toUpper()) ? -1 : e.pid);
        return found;
    }
    bool systemRunning() const {
        return BoundedWait().until(
            [&] {
                const auto p = pids();
                return p.size() == systemNames.size() && !p.values().contains(-1);
            },
            10s);
    }
    // Every process is a new one: the old ones were stopped.
    void expectRestarted(const QMap<QString, qint64>& before) {
        ASSERT_TRUE(systemRunning());
        const auto after = pids();
        for (const QString& name : systemNames)
            EXPECT_NE(after.value(name), before.value(name)) << name.toStdString();
    }
    qint64 newestHistory() {
        return sqlOn(GelmarInstall::acquired, "SELECT max(ID_histreg) FROM HistoricalData").toLongLong();
    }

    QString dataTool;
    QProcess gsnet, tool;
};

TEST_F(MaintenanceProcessTest, ReindexStopsTheSystemRebuildsTheIndexAndStartsItAgain) {
    maintenance.setWaits({1s, 1s, 1s, 1ms, 1ms});
    startSystem();
    const QString acquiredPath = GelmarInstall::databasePath(plant.gelmar, GelmarInstall::acquired);
    const struct {
        const char* before; // what stands in the index's place
        bool lockHeld;      // another writer keeps the index statements waiting beyond the usual time-out
    } cases[] = {{"CREATE INDEX IX_HistoricalData ON HistoricalData (Value)", true}, {nullptr, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before ? c.before : "no index");
        sqlOn(GelmarInstall::acquired, "DROP INDEX IX_HistoricalData");
        if (c.before)
            sqlOn(GelmarInstall::acquired, c.before);
        const auto before = pids();
        sweeps = 0;
        chkAdquisicion = true;
        // What the window shows at each step.
        QStringList pasos;
        QMap<QString, QColor> colourAt;
        bool checkAtIndex = true;
        form.paso.setNotifier([&] {
            pasos << form.paso.text();
            colourAt[form.paso.text()] = form.btnReindex.background();
            if (form.paso.text() == "Indexando")
                checkAtIndex = chkAdquisicion;
        });

        std::atomic<bool> locked{false};
        std::thread holder;
        if (c.lockHeld) {
            db.setCommandTimeout(SupervisionDb::Which::Acquired, 1s);
            holder = std::thread([&] {
                {
                    QSqlDatabase w = QSqlDatabase::addDatabase("QSQLITE", "holder");
                    w.setDatabaseName(acquiredPath);
                    QSqlQuery q(w);
                    if (w.open() && q.exec("BEGIN IMMEDIATE")) {
                        locked = true;
                        std::this_thread::sleep_for(2500ms);
                        q.exec("COMMIT");
                    }
                }
                QSqlDatabase::removeDatabase("holder");
            });
            ASSERT_TRUE(BoundedWait().until([&] { return locked.load(); }, 5s));
        }
        // Clicks while it runs are refused: neither button starts a second run over this one.
        QTimer::singleShot(0, [&] {
            maintenance.btnReindex_Click();
            maintenance.btnRepHist_Click();
        });
        maintenance.btnReindex_Click();
        if (holder.joinable())
            holder.join();

        EXPECT_EQ(pasos, (QStringList{"Cerrando...", "Cierre 0/1", "Cierre 1/1", "Indexando", "Espera ",
                                      "Espera 0/1", "Espera 1/1", "Lanzando...", "Finalizado 0/1",
                                      "Finalizado 1/1", ""}));
        EXPECT_EQ(indexSql(), timestampIndex);
        expectRestarted(before);
        EXPECT_EQ(form.paso.text(), "");
        EXPECT_FALSE(form.btnReindex.background().isValid()) << "its own colour back";
        EXPECT_EQ(colourAt["Indexando"], QColor(255, 0, 0));
        EXPECT_EQ(colourAt["Lanzando..."], QColor(0, 255, 0));
        EXPECT_FALSE(checkAtIndex) << "the acquisition check rests while the system is stopped";
        EXPECT_TRUE(chkAdquisicion);
        EXPECT_FALSE(maintenance.Reindexando());
        EXPECT_EQ(sweeps, 1);
        EXPECT_EQ(db.commandTimeout(SupervisionDb::Which::Acquired), c.lockHeld ? 1s : 5s);
        db.setCommandTimeout(SupervisionDb::Which::Acquired, 5s);
        ASSERT_EQ(dialogs.shown.size(), 2);
        EXPECT_EQ(dialogs.shown[0].text, "El proceso ya se ha iniciado");
        EXPECT_EQ(dialogs.shown[1].text, "El proceso ya se ha iniciado");
        dialogs.shown.clear();
    }
    EXPECT_FALSE(QFile::exists(maintenance.repairLogPath()));
}

TEST_F(MaintenanceProcessTest, RepairRunsTheSixStepsOnTheStandInsDatabasesAndStartsTheSystemAgain) {
    const QString acq = GelmarInstall::acquired, cfg = GelmarInstall::config;
    sqlOn(acq, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
               "INSERT INTO TemporaryData (Timestamp, Value) SELECT randomblob(800), i FROM n");
    sqlOn(acq, "INSERT INTO HistoricalData (Timestamp, Value) VALUES ('2026-12-06 10:00:00', 2), "
               "('2026-12-06 10:00:05', 1)");
    // An index that no longer matches its rows: the consistency check has something to find.
    {
        QSqlDatabase c = QSqlDatabase::addDatabase("QSQLITE", "breaker");
        c.setDatabaseName(GelmarInstall::databasePath(plant.gelmar, acq));
        ASSERT_TRUE(c.open());
        QSqlQuery q(c);
        ASSERT_TRUE(q.exec("PRAGMA writable_schema = ON"));
        ASSERT_TRUE(q.exec("UPDATE sqlite_master SET sql = 'CREATE INDEX IX_HistoricalData ON HistoricalData "
                           "(Value)' WHERE name = 'IX_HistoricalData'"));
    }
    QSqlDatabase::removeDatabase("breaker");
    sqlOn(cfg, "CREATE TABLE Junk AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
               "i < 200) SELECT randomblob(800) AS b FROM n");
    sqlOn(cfg, "DROP TABLE Junk");
    ASSERT_GT(sqlOn(cfg, "PRAGMA freelist_count").toInt(), 0);
    ASSERT_TRUE(db.reconnect()); // the agent sees the schema as it now is
    startSystem();
    const auto before = pids();

    QColor atSecondClick;
    QTimer::singleShot(0, [&] {
        atSecondClick = form.btnRepHist.background();
        maintenance.btnRepHist_Click();
    });
    maintenance.btnRepHist_Click();

    QFile repairLog(maintenance.repairLogPath());
    ASSERT_TRUE(repairLog.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(repairLog.readAll()),
              "Proceso Repair lanzado el  " + AgentLocale::dateTimeText(clock.now()) + "\r\n");
    EXPECT_EQ(atSecondClick, QColor(255, 0, 0));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "El proceso ya se ha iniciado");

    EXPECT_EQ(sqlOn(acq, "SELECT count(*) FROM TemporaryData").toInt(), 0);
    EXPECT_TRUE(form.txtError.text().startsWith("1-CheckDb: row ")) << form.txtError.text().toStdString();
    EXPECT_TRUE(form.txtError.text().contains("missing from index IX_HistoricalData"));
    EXPECT_EQ(sqlOn(acq, "PRAGMA integrity_check").toString(), "ok");
    EXPECT_EQ(indexSql(), timestampIndex);
    EXPECT_EQ(sqlOn(acq, "PRAGMA freelist_count").toInt(), 0);
    EXPECT_EQ(sqlOn(cfg, "PRAGMA freelist_count").toInt(), 0);

    expectRestarted(before);
    // Back in normal locking: the relaunched server records again.
    const qint64 newest = newestHistory();
    EXPECT_TRUE(BoundedWait().until([&] { return newestHistory() > newest; }, 10s));
    EXPECT_FALSE(form.btnRepHist.background().isValid());
    EXPECT_EQ(form.paso.text(), "");
    EXPECT_EQ(sweeps, 1);
    EXPECT_EQ(db.commandTimeout(SupervisionDb::Which::Acquired), 5s);
}

} // namespace
