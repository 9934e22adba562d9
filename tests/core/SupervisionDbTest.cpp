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

namespace {

class SupervisionDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        install = dir.filePath(QStringLiteral("gelmar"));
        logs = dir.filePath(QStringLiteral("logs"));
        ASSERT_TRUE(QDir().mkpath(install));
        ASSERT_TRUE(QDir().mkpath(logs));
        log.setFolder(logs);
    }

    void makeDatabases(const QString& folder) {
        QString error;
        ASSERT_TRUE(GelmarInstall::createDatabases(folder, QStringLiteral("Planta Río"), &error))
            << error.toStdString();
    }

    std::unique_ptr<SupervisionDb> make(SupervisionDb::Settings settings = sqliteSettings()) {
        auto db = std::make_unique<SupervisionDb>(
            settings, [this] { return install; }, log, dialogs);
        db->setRetryPause(100ms);
        return db;
    }

    static SupervisionDb::Settings sqliteSettings() {
        SupervisionDb::Settings s;
        s.engine = DbEngine::Sqlite;
        return s;
    }

    QStringList logLines() const {
        QFile f(log.currentPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    // Runs a statement on a database file behind the agent's back.
    void alter(const QString& catalogue, const QString& statement) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("alter"));
            db.setDatabaseName(GelmarInstall::databasePath(install, catalogue));
            ASSERT_TRUE(db.open());
            ASSERT_TRUE(QSqlQuery(db).exec(statement)) << statement.toStdString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("alter"));
    }

    QTemporaryDir dir;
    QString install;
    QString logs;
    FakeClock clock;
    EventLog log{QString(), clock}; // its folder is set once the temporary one exists
    RecordingDialogs dialogs;
    Form1State form;
};

TEST_F(SupervisionDbTest, ServerAppearingWithinTheWindowGivesANormalStart) {
    // Made aside and moved into place a second into the retry window: the move runs inside the wait.
    const QString staged = dir.filePath(QStringLiteral("staged"));
    makeDatabases(staged);
    QTimer::singleShot(1000, [&] {
        QDir().rename(staged + QStringLiteral("/database"), install + QStringLiteral("/database"));
    });
    auto db = make();
    db->setRetryWindow(3000ms);
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(db->ConectaConDB());
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_TRUE(db->isOpen(SupervisionDb::Which::Acquired));
    EXPECT_TRUE(db->isOpen(SupervisionDb::Which::Config));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_TRUE(logLines().isEmpty());
}

TEST_F(SupervisionDbTest, ServerNeverThereGivesOneLogLineAndOneMessage) {
    auto db = make();
    db->setRetryWindow(700ms);
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(db->ConectaConDB());
    EXPECT_GE(t.elapsed(), 700);
    EXPECT_LT(t.elapsed(), 2500);
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(dialogs.shown[0].title, "Vorn-Net");
    EXPECT_EQ(dialogs.shown[0].text,
              "La conexión con la base de datos del Gelmar no se ha completado en 60 segundos");
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(
        lines[0].startsWith("La conexión con la base de datos no se ha completado en 60 segundos. Hora: "));
    EXPECT_TRUE(db->connectionsExist());
    // The supervision system's files are never created by the agent.
    EXPECT_FALSE(QFile::exists(GelmarInstall::databasePath(install, GelmarInstall::acquired)));
}

TEST_F(SupervisionDbTest, SecondDatabaseMissingCountsAgainstTheSameWindow) {
    makeDatabases(install);
    ASSERT_TRUE(QFile::remove(GelmarInstall::databasePath(install, GelmarInstall::config)));
    auto db = make();
    db->setRetryWindow(500ms);
    EXPECT_FALSE(db->ConectaConDB());
    EXPECT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(logLines().size(), 1);
    EXPECT_FALSE(QFile::exists(GelmarInstall::databasePath(install, GelmarInstall::config)));
}

TEST_F(SupervisionDbTest, SettingsFromIniAndOdbcConnectionString) {
    const QString ini = dir.filePath(QStringLiteral("vornnet.ini"));
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
    EXPECT_EQ(SupervisionDb::sqlitePath(QStringLiteral("/opt/g"), SupervisionDb::acquiredCatalogue),
              "/opt/g/database/_AcquiredDB_x.mdf");
}

TEST_F(SupervisionDbTest, PlantNameWithAndWithoutItsRow) {
    makeDatabases(install);
    auto db = make();
    ASSERT_TRUE(db->ConectaConDB());
    db->readPlantName(form);
    EXPECT_EQ(form.txtPlanta.text(), "Planta Río");

    Form1State fresh;
    alter(GelmarInstall::config, QStringLiteral("DELETE FROM GenericSettings WHERE Name = 'PlantName'"));
    db->readPlantName(fresh);
    EXPECT_EQ(fresh.txtPlanta.text(), "DEMO");

    alter(GelmarInstall::config, QStringLiteral("DROP TABLE GenericSettings"));
    try {
        db->readPlantName(fresh);
        FAIL() << "no error for a missing table";
    } catch (const AgentError& e) {
        EXPECT_EQ(e.code(), AgentError::MissingObject);
    }
}

TEST_F(SupervisionDbTest, Label5ShowsNewestIdAndVersionOrStaysAsItWas) {
    makeDatabases(install);
    auto db = make();
    ASSERT_TRUE(db->ConectaConDB());
    // No alarm yet: there is no newest id to show.
    db->label5Click(form);
    EXPECT_EQ(form.Label5.text(), "Información:");

    QString error;
    for (int i = 0; i < 3; ++i)
        ASSERT_GT(GelmarInstall::addAlarm(install, 10, QStringLiteral("1"), 1, QDateTime::currentDateTime(),
                                          &error),
                  0);
    db->label5Click(form);
    EXPECT_EQ(form.Label5.text(), "3:7.3.2");

    Form1State other;
    alter(GelmarInstall::config, QStringLiteral("DELETE FROM GenericSettings WHERE Name = 'DB_VERSION'"));
    db->label5Click(other);
    EXPECT_EQ(other.Label5.text(), "Información:");

    alter(GelmarInstall::acquired, QStringLiteral("DROP TABLE FlashAlarms"));
    db->label5Click(form);
    EXPECT_EQ(form.Label5.text(), "3:7.3.2");
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(SupervisionDbTest, FailedStatementsCarryTheirCodes) {
    makeDatabases(install);
    auto db = make();
    ASSERT_TRUE(db->ConectaConDB());
    auto codeOf = [&](SupervisionDb::Which which, const QString& sql) -> quint32 {
        try {
            db->select(which, sql);
        } catch (const AgentError& e) {
            EXPECT_FALSE(e.description().isEmpty());
            return e.code();
        }
        return 0;
    };
    EXPECT_EQ(codeOf(SupervisionDb::Which::Acquired, QStringLiteral("SELECT * FROM NoSuchTable")),
              AgentError::MissingObject);
    EXPECT_EQ(codeOf(SupervisionDb::Which::Acquired, QStringLiteral("SELECT NoSuchColumn FROM FlashAlarms")),
              AgentError::MissingObject);
    EXPECT_EQ(codeOf(SupervisionDb::Which::Config, QStringLiteral("SELEC 1")), AgentError::CommandFailed);
    EXPECT_EQ(codeOf(SupervisionDb::Which::Config, db->sql().virtualInstrument(2)), 0u);

    // A lost connection is the code the alarm scan reconnects on; reconnect() brings both back.
    db->close();
    EXPECT_FALSE(db->connectionsExist());
    EXPECT_EQ(codeOf(SupervisionDb::Which::Config, db->sql().plantName()), AgentError::Unspecified);
    ASSERT_TRUE(db->reconnect());
    const QList<QSqlRecord> rows = db->select(SupervisionDb::Which::Config, db->sql().virtualInstrument(2));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].value("Name").toString(), "Bomba 2");
}

TEST_F(SupervisionDbTest, OdbcPathRunsThroughTheSqliteOdbcDriver) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")))
        GTEST_SKIP() << "QODBC not installed";
    makeDatabases(install);
    // The ODBC driver takes the catalogue as a file name, relative to the working folder.
    const QString odbcFolder = dir.filePath(QStringLiteral("odbc"));
    ASSERT_TRUE(QDir().mkpath(odbcFolder));
    for (const QString& c : {GelmarInstall::acquired, GelmarInstall::config})
        ASSERT_TRUE(QFile::link(GelmarInstall::databasePath(install, c), odbcFolder + QLatin1Char('/') + c));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(odbcFolder));
    SupervisionDb::Settings s;
    s.odbcDriver = QStringLiteral("SQLite3");
    {
        auto db = make(s);
        db->setRetryWindow(500ms);
        const bool opened = db->ConectaConDB();
        QDir::setCurrent(previous);
        ASSERT_TRUE(opened) << "SQLite3 ODBC driver missing from odbcinst.ini?";
        db->readPlantName(form);
        EXPECT_EQ(form.txtPlanta.text(), "Planta Río");
        QString error;
        ASSERT_GT(GelmarInstall::addAlarm(install, 10, QStringLiteral("1"), 1, QDateTime::currentDateTime(),
                                          &error),
                  0);
        db->label5Click(form);
        EXPECT_EQ(form.Label5.text(), "1:7.3.2");
        try {
            db->select(SupervisionDb::Which::Acquired, QStringLiteral("SELECT * FROM FlashAlarmz"));
            ADD_FAILURE() << "no error";
        } catch (const AgentError& e) {
            EXPECT_EQ(e.code(), AgentError::MissingObject);
        }
    }
    QDir::setCurrent(previous);
}

TEST_F(SupervisionDbTest, MissingOdbcDriverFailsWithinTheWindow) {
    SupervisionDb::Settings s;
    s.odbcDriver = QStringLiteral("NoSuchOdbcDriver");
    auto db = make(s);
    db->setRetryWindow(300ms);
    EXPECT_FALSE(db->ConectaConDB());
    EXPECT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(logLines().size(), 1);
}

} // namespace
