#include "GelmarInstall.h"
#include "core/BoundedWait.h"
#include "core/Form1State.h"
#include "core/IniFile.h"
#include "core/SupervisionDb.h"
#include "forwarding/EventLog.h"
#include "support/FakeClock.h"
#include "support/RecordingDialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString simPath = QStringLiteral(GELMAR_SIM_PATH);

class GelmarSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        install = dir.filePath(QStringLiteral("Gelmar System"));
    }
    void TearDown() override {
        // Only what this test started: its GSNET.EXE and the servers started from its installation.
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            waitFinished(server, 5s);
        }
        for (const QString& name : GelmarInstall::executables)
            for (qint64 pid : GelmarInstall::runningFrom(install, name))
                ::kill(static_cast<pid_t>(pid), SIGTERM);
        wait.until(
            [&] {
                for (const QString& name : GelmarInstall::executables)
                    if (!GelmarInstall::runningFrom(install, name).isEmpty())
                        return false;
                return true;
            },
            5s);
    }

    bool waitFinished(QProcess& p, std::chrono::milliseconds limit) {
        QObject::connect(&p, &QProcess::finished, &wait, &BoundedWait::wake);
        return wait.until([&] { return p.state() == QProcess::NotRunning; }, limit);
    }

    // Runs gelmar-sim to its end; its standard output.
    QString run(const QStringList& args, int* exitCode = nullptr) {
        QProcess p;
        p.start(simPath, args);
        EXPECT_TRUE(waitFinished(p, 10s)) << args.join(' ').toStdString();
        if (exitCode)
            *exitCode = p.exitCode();
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

    qint64 scalar(const QString& sql) {
        qint64 v = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
            db.setDatabaseName(GelmarInstall::databasePath(install, GelmarInstall::acquired));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(sql) && q.next())
                    v = q.value(0).toLongLong();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("peek"));
        return v;
    }

    QString acquisition() const {
        return IniFile::read(GelmarInstall::gsIniPath(install), QStringLiteral("STATUS"),
                             QStringLiteral("acquisition"));
    }

    QTemporaryDir dir;
    QString install;
    BoundedWait wait;
    QProcess server;
};

TEST_F(GelmarSimTest, InstalledAlarmIsReadBackByTheAgentWithItsTypes) {
    int rc = -1;
    run({QStringLiteral("install"), install, QStringLiteral("--plant"), QStringLiteral("Potabilizadora")},
        &rc);
    ASSERT_EQ(rc, 0);
    for (const QString& name : GelmarInstall::executables)
        EXPECT_TRUE(QFileInfo(install + '/' + name).isSymLink()) << name.toStdString();
    EXPECT_EQ(acquisition(), "0");

    const QDateTime when(QDate::currentDate().addDays(-1), QTime(7, 5, 9));
    const QString id = run({QStringLiteral("ctl"), install, QStringLiteral("add-alarm"),
                            QStringLiteral("--instrument"), QStringLiteral("3|"), QStringLiteral("--code"),
                            QStringLiteral("30"), QStringLiteral("--state"), QStringLiteral("1"),
                            QStringLiteral("--time"), when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
                           &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(id, "1");

    FakeClock clock;
    EventLog log(dir.path(), clock);
    RecordingDialogs dialogs;
    SupervisionDb::Settings settings;
    settings.engine = DbEngine::Sqlite;
    SupervisionDb db(
        settings, [&] { return install; }, log, dialogs);
    ASSERT_TRUE(db.ConectaConDB());
    const QList<QSqlRecord> rows =
        db.select(SupervisionDb::Which::Acquired, db.sql().alarmsAfter(0, when.addSecs(-1)));
    ASSERT_EQ(rows.size(), 1);
    const QSqlRecord& r = rows[0];
    EXPECT_EQ(r.value("Id_flashalarm").toLongLong(), 1);
    EXPECT_EQ(r.value("Alarmcode").metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(r.value("Alarmcode").toInt(), 30);
    EXPECT_EQ(r.value("Ref_virtinstrumentid").toString(), "3|");
    EXPECT_EQ(SupervisionSql::toDateTime(r.value("TimeStamp")), when);
    EXPECT_TRUE(r.value("AlarmState").toBool());
    // The cut-off is exclusive, as the scan's "timestamp >" is.
    EXPECT_TRUE(db.select(SupervisionDb::Which::Acquired, db.sql().alarmsAfter(0, when)).isEmpty());
    EXPECT_TRUE(
        db.select(SupervisionDb::Which::Acquired, db.sql().alarmsAfter(1, when.addDays(-1))).isEmpty());

    const QList<QSqlRecord> text = db.select(SupervisionDb::Which::Config, db.sql().virtualResource(3, 30));
    ASSERT_EQ(text.size(), 1);
    EXPECT_EQ(text[0].value("Name").toString(), "Cloro|bajo");
    Form1State form;
    db.readPlantName(form);
    EXPECT_EQ(form.txtPlanta.text(), "Potabilizadora");

    // Refused commands say so and change nothing.
    run({QStringLiteral("ctl"), install, QStringLiteral("add-alarm"), QStringLiteral("--code"),
         QStringLiteral("1")},
        &rc);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM FlashAlarms")), 1);
}

TEST_F(GelmarSimTest, NetworkServerRecordsAndObeysItsFaultModes) {
    int rc = -1;
    run({QStringLiteral("install"), install}, &rc);
    ASSERT_EQ(rc, 0);
    server.setWorkingDirectory(install);
    server.start(install + QStringLiteral("/GSNET.EXE"),
                 {QStringLiteral("--history-ms"), QStringLiteral("100")});
    QObject::connect(&server, &QProcess::readyReadStandardOutput, &wait, &BoundedWait::wake);
    QString out;
    ASSERT_TRUE(wait.until(
        [&] {
            out += QString::fromLocal8Bit(server.readAllStandardOutput());
            return out.contains(QStringLiteral("recording ")) || server.state() == QProcess::NotRunning;
        },
        10s));
    ASSERT_TRUE(out.startsWith(QStringLiteral("recording ") + install)) << out.toStdString();

    // Started through the link, the process carries the system's names.
    QFile comm(QStringLiteral("/proc/%1/comm").arg(server.processId()));
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    EXPECT_EQ(comm.readAll().trimmed(), "GSNET.EXE");
    EXPECT_EQ(acquisition(), "1");
    for (const QString& name : GelmarInstall::residentServers)
        EXPECT_TRUE(wait.until([&] { return !GelmarInstall::runningFrom(install, name).isEmpty(); }, 5s))
            << name.toStdString();

    const QString count = QStringLiteral("SELECT count(*) FROM HistoricalData");
    EXPECT_TRUE(wait.until([&] { return scalar(count) >= 3; }, 5s));

    const QString future = QStringLiteral("SELECT count(*) FROM HistoricalData WHERE Timestamp > '") +
                           QDateTime::currentDateTime().addSecs(3600).toString(GelmarInstall::dateFormat) +
                           QLatin1Char('\'');
    run({QStringLiteral("ctl"), install, QStringLiteral("future-dates"), QStringLiteral("on")}, &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_TRUE(wait.until([&] { return scalar(future) >= 1; }, 5s));

    run({QStringLiteral("ctl"), install, QStringLiteral("stop-recording")}, &rc);
    ASSERT_EQ(rc, 0);
    wait.pause(500ms); // a tick to take the mode in
    const qint64 stopped = scalar(count);
    wait.pause(500ms);
    EXPECT_EQ(scalar(count), stopped);

    run({QStringLiteral("ctl"), install, QStringLiteral("acquisition"), QStringLiteral("off")}, &rc);
    EXPECT_TRUE(wait.until([&] { return acquisition() == "0"; }, 5s));
    run({QStringLiteral("ctl"), install, QStringLiteral("acquisition"), QStringLiteral("on")}, &rc);
    EXPECT_TRUE(wait.until([&] { return acquisition() == "1"; }, 5s));
    run({QStringLiteral("ctl"), install, QStringLiteral("resume-recording")}, &rc);
    EXPECT_TRUE(wait.until([&] { return scalar(count) > stopped; }, 5s));

    run({QStringLiteral("ctl"), install, QStringLiteral("random-alarms"), QStringLiteral("100")}, &rc);
    EXPECT_TRUE(
        wait.until([&] { return scalar(QStringLiteral("SELECT count(*) FROM FlashAlarms")) >= 2; }, 5s));

    server.terminate();
    ASSERT_TRUE(waitFinished(server, 5s));
    EXPECT_EQ(server.exitCode(), 0);
    EXPECT_EQ(acquisition(), "0");
}

} // namespace
