#include "core/SupervisionDb.h"
#include "GelmarInstall.h"
#include "core/AgentError.h"
#include "core/Form1State.h"
#include "forwarding/EventLog.h"
#include "support/FakeClock.h"
#include "support/RecordingDialogs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Which = SupervisionDb::Which;

namespace {

class SupervisionDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(install));
        ASSERT_TRUE(QDir().mkpath(dir.filePath("logs")));
        log.setFolder(dir.filePath("logs"));
    }
    void makeDatabases(const QString& folder) {
        QString error;
        ASSERT_TRUE(GelmarInstall::createDatabases(folder, "Planta Río", &error)) << error.toStdString();
    }
    std::unique_ptr<SupervisionDb> make(std::chrono::milliseconds window = 60s, QString odbcDriver = {}) {
        SupervisionDb::Settings s;
        s.engine = odbcDriver.isEmpty() ? DbEngine::Sqlite : DbEngine::Odbc;
        if (!odbcDriver.isEmpty())
            s.odbcDriver = odbcDriver;
        auto db = std::make_unique<SupervisionDb>(
            s, [this] { return install; }, log, dialogs);
        db->setRetryPause(100ms);
        db->setRetryWindow(window);
        return db;
    }
    std::unique_ptr<SupervisionDb> connected() {
        makeDatabases(install);
        auto db = make();
        EXPECT_TRUE(db->ConectaConDB());
        return db;
    }
    QStringList logLines() const {
        QFile f(log.currentPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts)
                                           : QStringList();
    }
    // Runs a statement on a database file behind the agent's back.
    void alter(const QString& catalogue, const QString& statement) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "alter");
            db.setDatabaseName(GelmarInstall::databasePath(install, catalogue));
            ASSERT_TRUE(db.open());
            ASSERT_TRUE(QSqlQuery(db).exec(statement)) << statement.toStdString();
        }
        QSqlDatabase::removeDatabase("alter");
    }
    // The code an error carries, or 0 when the statement runs.
    quint32 codeOf(SupervisionDb& db, Which which, const QString& sql) {
        try {
            db.select(which, sql);
        } catch (const AgentError& e) {
            EXPECT_FALSE(e.description().isEmpty());
            return e.code();
        }
        return 0;
    }
    // Never opens: one message and one log line at the end of the window.
    void expectGivesUp(SupervisionDb& db, int times = 1) {
        EXPECT_FALSE(db.ConectaConDB());
        EXPECT_EQ(dialogs.shown.size(), times);
        EXPECT_EQ(logLines().size(), times);
    }

    QTemporaryDir dir;
    QString install = dir.filePath("gelmar");
    FakeClock clock;
    EventLog log{QString(), clock}; // its folder is set once the temporary one exists
    RecordingDialogs dialogs;
    Form1State form;
};

TEST_F(SupervisionDbTest, ServerAppearingWithinTheWindowGivesANormalStart) {
    // Made aside and moved into place a second into the retry window: the move runs inside the wait.
    const QString staged = dir.filePath("staged");
    makeDatabases(staged);
    QTimer::singleShot(1000, [&] { QDir().rename(staged + "/database", install + "/database"); });
    auto db = make(3000ms);
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(db->ConectaConDB());
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_TRUE(db->isOpen(Which::Acquired) && db->isOpen(Which::Config));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(SupervisionDbTest, ServerNeverThereGivesOneLogLineAndOneMessage) {
    auto db = make(700ms);
    QElapsedTimer t;
    t.start();
    expectGivesUp(*db);
    EXPECT_GE(t.elapsed(), 700);
    EXPECT_LT(t.elapsed(), 2500);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(dialogs.shown[0].title, "Vorn-Net");
    EXPECT_EQ(dialogs.shown[0].text,
              "La conexión con la base de datos del Gelmar no se ha completado en 60 segundos");
    EXPECT_TRUE(logLines().value(0).startsWith(
        "La conexión con la base de datos no se ha completado en 60 segundos. Hora: "));
    EXPECT_TRUE(db->connectionsExist());
    // The supervision system's files are never created by the agent.
    EXPECT_FALSE(QFile::exists(GelmarInstall::databasePath(install, GelmarInstall::acquired)));
}

TEST_F(SupervisionDbTest, SecondDatabaseOrOdbcDriverMissingCountsAgainstTheSameWindow) {
    makeDatabases(install);
    ASSERT_TRUE(QFile::remove(GelmarInstall::databasePath(install, GelmarInstall::config)));
    expectGivesUp(*make(500ms), 1);
    EXPECT_FALSE(QFile::exists(GelmarInstall::databasePath(install, GelmarInstall::config)));
    expectGivesUp(*make(300ms, "NoSuchOdbcDriver"), 2);
}

TEST_F(SupervisionDbTest, SettingsFromIniAndOdbcConnectionString) {
    const QString ini = dir.filePath("vornnet.ini");
    SupervisionDb::Settings d = SupervisionDb::Settings::fromIni(ini);
    EXPECT_EQ(d.engine, DbEngine::Odbc);
    EXPECT_EQ(SupervisionDb::odbcConnectionString(d, SupervisionDb::acquiredCatalogue),
              "Driver={FreeTDS};Server=localhost;Database=_AcquiredDB_x;UID=sa;PWD=tormix;");

    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[config]\r\ndbengine=SQLite\r\nOdbcDriver=ODBC Driver 17 for SQL "
            "Server\r\nDbServer=plant\\GELMAR\r\n"
            "DbUser=lector\r\nDbPassword=a;b}c\r\n");
    f.close();
    SupervisionDb::Settings s = SupervisionDb::Settings::fromIni(ini);
    EXPECT_EQ(s.engine, DbEngine::Sqlite);
    EXPECT_EQ(SupervisionDb::odbcConnectionString(s, SupervisionDb::configCatalogue),
              "Driver={ODBC Driver 17 for SQL Server};Server=plant\\GELMAR;Database=_ConfigDB_x;UID=lector;"
              "PWD={a;b}}c};");
    EXPECT_EQ(SupervisionDb::sqlitePath("/opt/g", SupervisionDb::acquiredCatalogue),
              "/opt/g/database/_AcquiredDB_x.mdf");
}

TEST_F(SupervisionDbTest, PlantNameAndLabel5WithAndWithoutTheirRows) {
    auto db = connected();
    db->readPlantName(form);
    EXPECT_EQ(form.txtPlanta.text(), "Planta Río");
    db->label5Click(form);
    EXPECT_EQ(form.Label5.text(), "Información:") << "no alarm yet: no newest id to show";
    QString error;
    for (int i = 0; i < 3; ++i)
        ASSERT_GT(GelmarInstall::addAlarm(install, 10, "1", 1, QDateTime::currentDateTime(), &error), 0);
    db->label5Click(form);
    EXPECT_EQ(form.Label5.text(), "3:7.3.2");

    Form1State fresh;
    alter(GelmarInstall::config, "DELETE FROM GenericSettings WHERE Name IN ('PlantName', 'DB_VERSION')");
    db->readPlantName(fresh);
    EXPECT_EQ(fresh.txtPlanta.text(), "DEMO");
    db->label5Click(fresh);
    EXPECT_EQ(fresh.Label5.text(), "Información:");

    alter(GelmarInstall::acquired, "DROP TABLE FlashAlarms");
    db->label5Click(form);
    EXPECT_EQ(form.Label5.text(), "3:7.3.2") << "stays as it was";
    EXPECT_TRUE(dialogs.shown.isEmpty());
    alter(GelmarInstall::config, "DROP TABLE GenericSettings");
    try {
        db->readPlantName(fresh);
        ADD_FAILURE() << "no error for a missing table";
    } catch (const AgentError& e) {
        EXPECT_EQ(e.code(), AgentError::MissingObject);
    }
}

TEST_F(SupervisionDbTest, FailedStatementsCarryTheirCodes) {
    auto db = connected();
    const struct {
        Which which;
        QString sql;
        quint32 code;
    } cases[] = {{Which::Acquired, "SELECT * FROM NoSuchTable", AgentError::MissingObject},
                 {Which::Acquired, "SELECT NoSuchColumn FROM FlashAlarms", AgentError::MissingObject},
                 {Which::Config, "SELEC 1", AgentError::CommandFailed},
                 {Which::Config, db->sql().virtualInstrument(2), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(codeOf(*db, c.which, c.sql), c.code) << c.sql.toStdString();

    // A lost connection is the code the alarm scan reconnects on; reconnect() brings both back.
    db->close();
    EXPECT_FALSE(db->connectionsExist());
    EXPECT_EQ(codeOf(*db, Which::Config, db->sql().plantName()), AgentError::Unspecified);
    ASSERT_TRUE(db->reconnect());
    const QList<QSqlRecord> rows = db->select(Which::Config, db->sql().virtualInstrument(2));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].value("Name").toString(), "Bomba 2");
}

TEST_F(SupervisionDbTest, OdbcPathRunsThroughTheSqliteOdbcDriver) {
    if (!QSqlDatabase::isDriverAvailable("QODBC"))
        GTEST_SKIP() << "QODBC not installed";
    makeDatabases(install);
    // The ODBC driver takes the catalogue as a file name, relative to the working folder.
    const QString odbcFolder = dir.filePath("odbc");
    ASSERT_TRUE(QDir().mkpath(odbcFolder));
    for (const QString& c : {GelmarInstall::acquired, GelmarInstall::config})
        ASSERT_TRUE(QFile::link(GelmarInstall::databasePath(install, c), odbcFolder + "/" + c));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(odbcFolder));
    auto db = make(500ms, "SQLite3");
    const bool opened = db->ConectaConDB();
    QDir::setCurrent(previous);
    ASSERT_TRUE(opened) << "SQLite3 ODBC driver missing from odbcinst.ini?";
    db->readPlantName(form);
    EXPECT_EQ(form.txtPlanta.text(), "Planta Río");
    EXPECT_EQ(codeOf(*db, Which::Acquired, "SELECT * FROM FlashAlarmz"), AgentError::MissingObject);
}

} // namespace
