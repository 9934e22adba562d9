#include "GelmarInstall.h"
#include "core/BoundedWait.h"
#include "core/Form1State.h"
#include "core/IniFile.h"
#include "core/SupervisionDb.h"
#include "forwarding/EventLog.h"
#include "support/FakeClock.h"
#include "support/RecordingDialogs.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class GelmarSimTest : public ::testing::Test {
protected:
    void TearDown() override {
        // Only what this test started: its GSNET.EXE and the servers started from its installation.
        if (server.state() != QProcess::NotRunning) {
            server.terminate();
            waitFinished(server);
        }
        for (const QString& name : GelmarInstall::executables)
            for (qint64 pid : GelmarInstall::runningFrom(install, name))
                ::kill(static_cast<pid_t>(pid), SIGTERM);
        wait.until(
            [&] {
                return std::all_of(
                    GelmarInstall::executables.begin(), GelmarInstall::executables.end(),
                    [&](const QString& name) { return GelmarInstall::runningFrom(install, name).isEmpty(); });
            },
            5s);
    }
    bool waitFinished(QProcess& p) {
        QObject::connect(&p, &QProcess::finished, &wait, &BoundedWait::wake);
        return wait.until([&] { return p.state() == QProcess::NotRunning; }, 10s);
    }
    // Runs gelmar-sim to its end: its exit code; its standard output in `out`.
    int sim(QStringList args, QString* out = nullptr) {
        if (args.first() == "ctl")
            args.insert(1, install);
        QProcess p;
        p.start(GELMAR_SIM_PATH, args);
        EXPECT_TRUE(waitFinished(p)) << args.join(' ').toStdString();
        if (out)
            *out = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
        return p.exitCode();
    }
    qint64 scalar(const QString& sql) {
        qint64 v = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
            db.setDatabaseName(GelmarInstall::databasePath(install, GelmarInstall::acquired));
            db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=2000");
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(sql) && q.next())
                    v = q.value(0).toLongLong();
            }
        }
        QSqlDatabase::removeDatabase("peek");
        return v;
    }
    QString acquisition() const {
        return IniFile::read(GelmarInstall::gsIniPath(install), "STATUS", "acquisition");
    }

    QTemporaryDir dir;
    QString install = dir.filePath("Gelmar System");
    BoundedWait wait;
    QProcess server;
};

TEST_F(GelmarSimTest, InstalledAlarmIsReadBackByTheAgentWithItsTypes) {
    ASSERT_EQ(sim({"install", install, "--plant", "Potabilizadora"}), 0);
    EXPECT_EQ(acquisition(), "0");

    const QDateTime when(QDate::currentDate().addDays(-1), QTime(7, 5, 9));
    QString id;
    ASSERT_EQ(sim({"ctl", "add-alarm", "--instrument", "3|", "--code", "30", "--state", "1", "--time",
                   when.toString(GelmarInstall::dateFormat)},
                  &id),
              0);
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
    EXPECT_EQ(rows[0].value("Id_flashalarm").toLongLong(), 1);
    EXPECT_EQ(rows[0].value("Alarmcode").metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(rows[0].value("Alarmcode").toInt(), 30);
    EXPECT_EQ(rows[0].value("Ref_virtinstrumentid").toString(), "3|");
    EXPECT_EQ(SupervisionSql::toDateTime(rows[0].value("TimeStamp")), when);
    EXPECT_TRUE(rows[0].value("AlarmState").toBool());
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

    EXPECT_NE(sim({"ctl", "add-alarm", "--code", "1"}), 0) << "refused commands say so and change nothing";
    EXPECT_EQ(scalar("SELECT count(*) FROM FlashAlarms"), 1);
}

TEST_F(GelmarSimTest, NetworkServerRecordsAndObeysItsFaultModes) {
    ASSERT_EQ(sim({"install", install}), 0);
    server.setWorkingDirectory(install);
    server.start(install + "/GSNET.EXE", {"--history-ms", "100"});
    QObject::connect(&server, &QProcess::readyReadStandardOutput, &wait, &BoundedWait::wake);
    QString out;
    ASSERT_TRUE(wait.until(
        [&] {
            out += QString::fromLocal8Bit(server.readAllStandardOutput());
            return out.contains("recording ") || server.state() == QProcess::NotRunning;
        },
        10s));
    ASSERT_TRUE(out.startsWith("recording " + install)) << out.toStdString();

    // Started through the link, the process carries the system's names.
    QFile comm(QString("/proc/%1/comm").arg(server.processId()));
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    EXPECT_EQ(comm.readAll().trimmed(), "GSNET.EXE");
    EXPECT_EQ(acquisition(), "1");
    for (const QString& name : GelmarInstall::residentServers)
        EXPECT_TRUE(wait.until([&] { return !GelmarInstall::runningFrom(install, name).isEmpty(); }, 5s))
            << name.toStdString();

    const QString count = "SELECT count(*) FROM HistoricalData";
    EXPECT_TRUE(wait.until([&] { return scalar(count) >= 3; }, 5s));
    const QString future = "SELECT count(*) FROM HistoricalData WHERE Timestamp > '" +
                           QDateTime::currentDateTime().addSecs(3600).toString(GelmarInstall::dateFormat) +
                           "'";
    ASSERT_EQ(sim({"ctl", "future-dates", "on"}), 0);
    EXPECT_TRUE(wait.until([&] { return scalar(future) >= 1; }, 5s));

    ASSERT_EQ(sim({"ctl", "stop-recording"}), 0);
    wait.pause(500ms); // a tick to take the mode in
    const qint64 stopped = scalar(count);
    wait.pause(500ms);
    EXPECT_EQ(scalar(count), stopped);

    sim({"ctl", "acquisition", "off"});
    EXPECT_TRUE(wait.until([&] { return acquisition() == "0"; }, 5s));
    sim({"ctl", "acquisition", "on"});
    EXPECT_TRUE(wait.until([&] { return acquisition() == "1"; }, 5s));
    sim({"ctl", "resume-recording"});
    EXPECT_TRUE(wait.until([&] { return scalar(count) > stopped; }, 5s));
    sim({"ctl", "random-alarms", "100"});
    EXPECT_TRUE(wait.until([&] { return scalar("SELECT count(*) FROM FlashAlarms") >= 2; }, 5s));

    server.terminate();
    ASSERT_TRUE(waitFinished(server));
    EXPECT_EQ(server.exitCode(), 0);
    EXPECT_EQ(acquisition(), "0") << "the acquisition flag is cleared on SIGTERM";
}

} // namespace
