#include "GelmarInstall.h"
#include "core/BoundedWait.h"
#include "core/EventLog.h"
#include "core/IniFile.h"
#include "core/SupervisionDb.h"
#include "support/FakeClock.h"
#include "support/Poll.h"
#include "support/RecordingDialogs.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Which = SupervisionDb::Which;

namespace {

// gelmar-sim's installation, read through the agent's own database access.
class GelmarSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sim({"install", install}), 0);
        ASSERT_TRUE(db.ConectaConDB());
    }
    void TearDown() override {
        // Only what this test started: its GSNET.EXE and the servers started from its installation.
        for (const QString& name : GelmarInstall::executables)
            for (qint64 pid : GelmarInstall::runningFrom(install, name))
                ::kill(static_cast<pid_t>(pid), SIGTERM);
    }
    int sim(const QStringList& args) {
        QProcess p;
        p.start(GELMAR_SIM_PATH, args);
        EXPECT_TRUE(p.waitForFinished(10000)) << args.join(' ').toStdString();
        return p.exitCode();
    }
    qint64 historyRows() {
        const QList<QSqlRecord> rows = db.select(Which::Acquired, "SELECT count(*) FROM HistoricalData");
        return rows.value(0).value(0).toLongLong();
    }
    QString acquisition() const {
        return IniFile::read(GelmarInstall::gsIniPath(install), "STATUS", "acquisition");
    }

    QTemporaryDir dir;
    QString install = dir.filePath("Gelmar System");
    BoundedWait wait;
    FakeClock clock;
    EventLog log{dir.path(), clock};
    RecordingDialogs dialogs;
    SupervisionDb db{{.engine = DbEngine::Sqlite}, [this] { return install; }, log, dialogs};
};

TEST_F(GelmarSimTest, AlarmAddedThroughCtlIsReadBackWithItsTypesAndTime) {
    const QDateTime when(QDate::currentDate().addDays(-1), QTime(7, 5, 9));
    ASSERT_EQ(sim({"ctl", install, "add-alarm", "--instrument", "3|", "--code", "30", "--state", "1",
                   "--time", when.toString(GelmarInstall::dateFormat)}),
              0);
    const auto after = [&](const QDateTime& t) {
        return db.select(Which::Acquired, db.sql().alarmsAfter(0, t));
    };
    const QList<QSqlRecord> rows = after(when.addSecs(-1));
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].value("Id_flashalarm").toLongLong(), 1);
    EXPECT_EQ(rows[0].value("Alarmcode").metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(rows[0].value("Alarmcode").toInt(), 30);
    EXPECT_EQ(rows[0].value("Ref_virtinstrumentid").toString(), "3|");
    EXPECT_EQ(SupervisionSql::toDateTime(rows[0].value("TimeStamp")), when);
    EXPECT_TRUE(rows[0].value("AlarmState").toBool());
    EXPECT_TRUE(after(when).isEmpty()) << "stored to the second as given";
}

TEST_F(GelmarSimTest, NetworkServerAnnouncesItselfRunsItsServersAndStopsRecordingOnRequest) {
    QProcess server;
    server.setWorkingDirectory(install);
    server.start(install + "/GSNET.EXE", {"--history-ms", "100"});
    ASSERT_TRUE(server.waitForReadyRead(10000));
    EXPECT_EQ(server.readAllStandardOutput(), ("recording " + install + "\n").toLocal8Bit())
        << "its ready line";
    QFile comm(QString("/proc/%1/comm").arg(server.processId()));
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    EXPECT_EQ(comm.readAll(), "GSNET.EXE\n");
    EXPECT_EQ(acquisition(), "1");
    for (const QString& name : GelmarInstall::residentServers)
        EXPECT_TRUE(pollUntil([&] { return !GelmarInstall::runningFrom(install, name).isEmpty(); }, 5s))
            << name.toStdString();

    EXPECT_TRUE(pollUntil([&] { return historyRows() >= 3; }, 5s));
    ASSERT_EQ(sim({"ctl", install, "stop-recording"}), 0);
    wait.pause(500ms); // a tick to take the mode in
    const qint64 stopped = historyRows();
    wait.pause(500ms);
    EXPECT_EQ(historyRows(), stopped);

    server.terminate();
    ASSERT_TRUE(server.waitForFinished(10000));
    EXPECT_EQ(server.exitCode(), 0);
    EXPECT_EQ(acquisition(), "0") << "the acquisition flag is cleared on SIGTERM";
}

} // namespace
