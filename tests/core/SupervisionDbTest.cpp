#include "supervision/SupervisionDb.h"
#include "GelmarInstall.h"
#include "core/runtime/AgentError.h"
#include "support/LogCapture.h"
#include "support/ServicesTest.h"

using Which = SupervisionDb::Which;

class SupervisionDbTest : public ServicesTest {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(install)); }
    void makeDatabases(const QString& folder) {
        QString error;
        ASSERT_TRUE(GelmarInstall::createDatabases(folder, "Planta Río", &error)) << error;
    }
    std::unique_ptr<SupervisionDb> make(std::chrono::milliseconds window = 60s,
                                        const SupervisionDb::Settings& s = {.engine = DbEngine::Sqlite}) {
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
    // The first value a statement gives on a connection of its own, as another process would run it.
    QVariant sqlOn(const QString& catalogue, const QString& statement) {
        SideConnection other(GelmarInstall::databasePath(install, catalogue), 100);
        const QVariant value = other.run(statement);
        EXPECT_TRUE(value.isValid()) << statement << ": " << other.error();
        return value;
    }
    // The code an error carries, or 0 when the statement runs (as a kept lookup when `kept`).
    quint32 codeOf(SupervisionDb& db, Which which, const QString& sql, bool kept = false) {
        try {
            kept ? (void)db.lookup(which, sql) : (void)db.select(which, sql);
        } catch (const AgentError& e) {
            EXPECT_FALSE(e.description().isEmpty());
            return e.code();
        }
        return 0;
    }
    QString install = dir.filePath("gelmar");
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
    EXPECT_TRUE(db->isOpen(Which::Acquired) && db->isOpen(Which::Config));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(SupervisionDbTest, ServerNeverThereOrHalfThereGivesOneLogLineAndOneMessage) {
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(make(700ms)->ConectaConDB());
    EXPECT_GE(t.elapsed(), 700);
    dialogs.expectBox(Dialogs::Icon::Critical, "Vorn-Net",
                      "La conexión con la base de datos del Gelmar no se ha completado en 60 segundos");
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(logLines()[0].startsWith(
        "La conexión con la base de datos no se ha completado en 60 segundos. Hora: "));
    // The supervision system's files are never created by the agent.
    EXPECT_FALSE(QFile::exists(GelmarInstall::databasePath(install, GelmarInstall::acquired)));

    // The second database missing counts against the same window.
    makeDatabases(install);
    ASSERT_TRUE(QFile::remove(GelmarInstall::databasePath(install, GelmarInstall::config)));
    EXPECT_FALSE(make(500ms)->ConectaConDB());
    EXPECT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(logLines().size(), 2);

    // Beside the fixed message and log line, the driver's own words name what went wrong.
    LogCapture captured;
    const QString garbage = GelmarInstall::databasePath(install, GelmarInstall::config);
    writeFile(garbage, QByteArray(4096, 'x'));
    EXPECT_FALSE(make(300ms)->ConectaConDB());
    const QStringList why = captured.of("vornnet.db");
    ASSERT_EQ(why.size(), 1) << captured.lines.join('\n');
    EXPECT_TRUE(why[0].contains(garbage) && why[0].contains("not a database")) << why[0];
}

TEST_F(SupervisionDbTest, OdbcConnectionStringFromTheIniSettings) {
    const QString ini = dir.filePath("vornnet.ini");
    // Nothing in the file yet: the defaults.
    EXPECT_EQ(SupervisionDb::odbcConnectionString(SupervisionDb::Settings::fromIni(ini),
                                                  SupervisionDb::acquiredCatalogue),
              "Driver={FreeTDS};Server=localhost;Database=_AcquiredDB_x;UID=sa;PWD=tormix;");
    writeFile(ini, "[config]\r\ndbengine=SQLite\r\nOdbcDriver=ODBC Driver 17 for SQL Server\r\n"
                   "DbServer=plant\\GELMAR\r\nDbUser=lector\r\nDbPassword=a;b}c\r\n");
    const SupervisionDb::Settings s = SupervisionDb::Settings::fromIni(ini);
    EXPECT_EQ(s.engine, DbEngine::Sqlite);
    EXPECT_EQ(SupervisionDb::odbcConnectionString(s, SupervisionDb::configCatalogue),
              "Driver={ODBC Driver 17 for SQL Server};Server=plant\\GELMAR;Database=_ConfigDB_x;UID=lector;"
              "PWD={a;b}}c};");
}

TEST_F(SupervisionDbTest, PlantNameAndLabel5WithAndWithoutTheirRows) {
    auto db = connected();
    EXPECT_EQ(db->plantName(), "Planta Río");
    EXPECT_EQ(db->versionCaption(), std::nullopt) << "no alarm yet: no newest id to show";
    QString error;
    const qint64 id = GelmarInstall::addAlarm(install, 10, "1", 1, QDateTime::currentDateTime(), &error);
    ASSERT_GT(id, 0) << error;
    EXPECT_EQ(db->versionCaption(), QString::number(id) + ":7.3.2");

    db->exec(Which::Config, "DELETE FROM GenericSettings WHERE Name IN ('PlantName', 'DB_VERSION')");
    EXPECT_EQ(db->plantName(), std::nullopt);
    EXPECT_EQ(db->versionCaption(), std::nullopt);
}

TEST_F(SupervisionDbTest, FailedStatementsCarryTheirCodesAndKeptLookupsReadAfreshAcrossAReconnection) {
    auto db = connected();
    const QString instrument = db->sql().virtualInstrument(2);
    const std::tuple<Which, QString, quint32> cases[] = {
        {Which::Acquired, "SELECT * FROM NoSuchTable", AgentError::MissingObject},
        {Which::Acquired, "SELECT NoSuchColumn FROM FlashAlarms", AgentError::MissingObject},
        {Which::Config, "SELEC 1", AgentError::CommandFailed},
        {Which::Config, instrument, 0}};
    for (const auto& [which, sql, code] : cases)
        EXPECT_EQ(codeOf(*db, which, sql), code) << sql;

    const auto name = [&] { return db->lookup(Which::Config, instrument).value(0).value("Name").toString(); };
    EXPECT_EQ(name(), "Bomba 2");
    // Another writer, as the supervision system is: the kept statement holds no lock against it.
    sqlOn(GelmarInstall::config,
          "UPDATE VirtualInstruments SET Name = 'Bomba dos' WHERE ID_virtualinstrument = 2");
    EXPECT_EQ(name(), "Bomba dos") << "the statement is kept, not its rows";

    // A lost connection is the code the alarm scan reconnects on; reconnect() brings both back.
    db->close();
    EXPECT_FALSE(db->connectionsExist());
    EXPECT_EQ(codeOf(*db, Which::Config, db->sql().plantName()), AgentError::Unspecified);
    EXPECT_THROW(db->lookup(Which::Config, instrument), AgentError);
    ASSERT_TRUE(db->reconnect());
    EXPECT_EQ(codeOf(*db, Which::Acquired, db->sql().alarmsAfter(0, QDateTime::currentDateTime())), 0);
    EXPECT_EQ(name(), "Bomba dos");
    EXPECT_EQ(codeOf(*db, Which::Config, "SELECT * FROM NoSuchTable", true), AgentError::MissingObject)
        << "a bad kept statement is an error";
}

TEST_F(SupervisionDbTest, CommandTimeoutIsTheSqliteBusyTimeoutAndOutlivesAReconnection) {
    auto db = connected();
    const auto busy = [&](Which which) {
        return db->exec(which, "PRAGMA busy_timeout").value(0).value(0).toInt();
    };
    EXPECT_EQ(db->commandTimeout(Which::Acquired), 5s);
    db->setCommandTimeout(Which::Acquired, 1800s);
    ASSERT_TRUE(db->reconnect());
    EXPECT_EQ(busy(Which::Acquired), 1800000);
    EXPECT_EQ(busy(Which::Config), 5000) << "each connection has its own";
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
    auto db = make(500ms, {.engine = DbEngine::Odbc, .odbcDriver = "SQLite3"});
    const bool opened = db->ConectaConDB();
    QDir::setCurrent(previous);
    ASSERT_TRUE(opened) << "SQLite3 ODBC driver missing from odbcinst.ini?";
    EXPECT_EQ(db->plantName(), "Planta Río");
    EXPECT_EQ(codeOf(*db, Which::Acquired, "SELECT * FROM FlashAlarmz"), AgentError::MissingObject);
    // Maintenance statements are prepared, so their time-out can be set on the statement.
    db->exec(Which::Acquired, "CREATE INDEX IX_Test ON FlashAlarms (AlarmState)");
    db->exec(Which::Acquired, "DROP INDEX IX_Test");
    EXPECT_THROW(db->exec(Which::Acquired, "DROP INDEX IX_Test"), AgentError);
}

TEST_F(SupervisionDbTest, OpeningLeavesTheSupervisionFilesJournalModeAsItWas) {
    makeDatabases(install);
    ASSERT_EQ(sqlOn(GelmarInstall::acquired, "PRAGMA journal_mode=delete"), "delete");
    auto db = make();
    ASSERT_TRUE(db->ConectaConDB());
    EXPECT_EQ(db->select(Which::Acquired, "SELECT count(*) FROM FlashAlarms").size(), 1);
    db->close();
    EXPECT_EQ(sqlOn(GelmarInstall::acquired, "PRAGMA journal_mode"), "delete")
        << "the file belongs to the supervision system";
}
