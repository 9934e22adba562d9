// Bad input, generated from a seed, through the whole process: ini files, position files, database rows
// and central-station replies. No crash, no hang, memory bounded, nothing wrong counted as delivered.
// The parsers themselves are driven many times over by the unit tests' property cases.
#include "CenterSession.h"
#include "core/SupervisionSql.h"
#include "support/Junk.h"
#include "support/ProcessHarness.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

// Every whole message in a station's record, parsed as the station parses it (frame and nine fields).
QList<QByteArray> messagesIn(const QByteArray& record) {
    QList<QByteArray> out;
    qsizetype at = 0;
    while (at < record.size()) {
        const qsizetype end = CenterSession::messageEnd(record.mid(at));
        if (end < 0)
            break;
        out << record.mid(at, end);
        at += end + 1; // the record's '\n'
    }
    return out;
}

// Rows of FlashAlarms and names of the configuration tables that no sane supervision system writes.
struct BadRows {
    int alarms = 0;
    int names = 0;
};

BadRows fillWithBadRows(const TestPlant& plant, Junk& junk, int rows, const QDateTime& now) {
    BadRows made;
    const QString connection = QStringLiteral("bad-rows");
    {
        QSqlDatabase config = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection + "c");
        config.setDatabaseName(GelmarInstall::databasePath(plant.gelmar, GelmarInstall::config));
        config.open();
        QSqlQuery q(config);
        q.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
        config.transaction();
        for (int id = 100; id < 130; ++id) {
            q.prepare(
                QStringLiteral("INSERT INTO VirtualInstruments (ID_virtualinstrument, Name) VALUES (?, ?)"));
            q.addBindValue(id);
            q.addBindValue(junk.below(8) == 0 ? QVariant() : QVariant(junk.text(junk.below(12))));
            made.names += q.exec();
            q.prepare(QStringLiteral(
                "INSERT INTO VirtualResources (Ref_IDVirtualInstr, EventAlarmCode, Name) VALUES (?, ?, ?)"));
            q.addBindValue(id);
            q.addBindValue(junk.below(5));
            q.addBindValue(junk.text(junk.below(12)));
            made.names += q.exec();
        }
        config.commit();

        QSqlDatabase acquired = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection + "a");
        acquired.setDatabaseName(GelmarInstall::databasePath(plant.gelmar, GelmarInstall::acquired));
        acquired.open();
        QSqlQuery a(acquired);
        a.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON"));
        acquired.transaction();
        for (int i = 0; i < rows; ++i) {
            const QVariant codes[] = {junk.below(5), QStringLiteral("99999999999999999999"),  -7,   2.5,
                                      junk.text(3),  QStringLiteral("-99999999999999999999"), 1e300};
            const QVariant instruments[] = {QString::number(100 + junk.below(30)),
                                            QStringLiteral("|1%1|").arg(junk.below(10)), junk.text(4),
                                            QString(), QStringLiteral("99999999999999999999")};
            const QVariant times[] = {now.addSecs(-junk.below(6 * 86400)).toString(GelmarInstall::dateFormat),
                                      now.addSecs(60 * junk.below(60)).toString(GelmarInstall::dateFormat),
                                      junk.text(3), QStringLiteral("2026-13-45 25:61:61")};
            const QVariant states[] = {0, 1, junk.text(2), 7, QVariant()};
            a.prepare(QStringLiteral("INSERT INTO FlashAlarms (Alarmcode, Ref_virtinstrumentid, TimeStamp, "
                                     "AlarmState) VALUES (?, ?, ?, ?)"));
            // Mostly plausible, so that the scan gets far; one field in three bad.
            a.addBindValue(junk.below(3) ? QVariant(100 + junk.below(5))
                                         : codes[junk.below(std::size(codes))]);
            a.addBindValue(instruments[junk.below(3) ? 0 : junk.below(std::size(instruments))]);
            a.addBindValue(times[junk.below(3) ? 0 : junk.below(std::size(times))]);
            a.addBindValue(states[junk.below(3) ? junk.below(2) : junk.below(std::size(states))]);
            made.alarms += a.exec();
        }
        acquired.commit();
    }
    QSqlDatabase::removeDatabase(connection + "c");
    QSqlDatabase::removeDatabase(connection + "a");
    return made;
}

// The newest alarm the scan selects, as its own statement selects them.
qint64 newestSelected(const TestPlant& plant, const QDateTime& now) {
    qint64 id = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newest"));
        db.setDatabaseName(GelmarInstall::databasePath(plant.gelmar, GelmarInstall::acquired));
        db.open();
        QSqlQuery q(db);
        if (q.exec(SupervisionSql(DbEngine::Sqlite).alarmsAfter(0, now.addDays(-7))))
            while (q.next())
                id = std::max(id, q.value(QStringLiteral("Id_flashalarm")).toLongLong());
    }
    QSqlDatabase::removeDatabase(QStringLiteral("newest"));
    return id;
}

} // namespace

TEST(FaultInjection, BadInputsThroughTheWholeProcess) {
    ProcessHarness f({.test = "BadInputsThroughTheWholeProcess"});
    QElapsedTimer elapsed;
    elapsed.start();
    Junk junk(f.random);
    const QStringList keys = {"RemotePort", "IpQuarnCenter", "LifeTest",   "MaxDb",       "minFree",
                              "ChkRestart", "MinNoData",     "pathGelmar", "DiaOptimiza", "HoraOptimiza",
                              "noMinimize", "DbEngine",      "smsEnabled", "DifTime"};

    // A sample through the whole process: bad settings, bad positions, bad rows, bad replies.
    int runs = 0, crashed = 0, hung = 0;
    qint64 peakKb = 0;
    const auto run = [&](ProcessHarness& plant, std::chrono::milliseconds life) {
        const auto a = plant.agent({.tickMs = 100, .linkWaitMs = 200});
        const bool ended = a->waitFinished(life);
        peakKb = std::max(peakKb, a->peakMemoryKb());
        if (!ended) {
            a->terminate();
            hung += !a->waitFinished(10s);
        }
        crashed += a->process.exitStatus() != QProcess::NormalExit;
        ++runs;
        return a->process.exitCode();
    };
    for (int i = 0; i < 8; ++i) {
        ProcessHarness plant({.test = "whole process, bad settings", .seed = f.seed});
        QByteArray content = readFile(plant.plant.ini());
        for (int k = 0; k < 6; ++k)
            content += keys[junk.below(keys.size())].toLatin1() + "=" + junk.bytes(junk.below(6)) + "\r\n";
        // The engine and the installation stay, so the agent gets as far as its scan.
        content.replace("DbEngine=", "x=").replace("pathGelmar=", "y=");
        writeFile(plant.plant.ini(), "[CONFIG]\r\nDbEngine=sqlite\r\npathGelmar=" +
                                         plant.plant.gelmar.toUtf8() + "\r\n" + content);
        run(plant, 1500ms);
    }
    for (int i = 0; i < 8; ++i) {
        ProcessHarness plant({.test = "whole process, bad position", .seed = f.seed});
        plant.addAlarms({1, 2});
        writeFile(plant.positionPath(), junk.bytes(junk.below(6)));
        const bool usable = UltCodFile::parse(readFile(plant.positionPath())).has_value();
        const int code = run(plant, 1500ms);
        if (!usable)
            EXPECT_EQ(code, 1) << "a position without a number stops the start";
    }
    {
        ProcessHarness plant({.test = "whole process, bad rows", .seed = f.seed});
        Station station;
        ASSERT_TRUE(station.start());
        plant.point("", station.port);
        const QDateTime now = QDateTime::currentDateTime();
        fillWithBadRows(plant.plant, junk, 300, now);
        writeFile(plant.positionPath(), " 0\r\n");
        const qint64 newest = newestSelected(plant.plant, now);
        const auto a = plant.agent({.tickMs = 100, .linkWaitMs = 500});
        EXPECT_TRUE(plant.waitPosition(newest, 60s)) << a->err.right(2000).toStdString();
        peakKb = std::max(peakKb, a->peakMemoryKb());
        a->terminate();
        hung += !a->waitFinished(10s);
        crashed += a->process.exitStatus() != QProcess::NormalExit;
        ++runs;
        const QList<QByteArray> received = messagesIn(station.recorded());
        EXPECT_GT(received.size(), 0);
        EXPECT_EQ(received.size(), station.recorded().count("\n@@") + 1) << "each one read whole";
        for (const QByteArray& m : received)
            EXPECT_EQ(m.count("@@"), 2) << "the frame and nine fields, and nothing more: " << m.toStdString();
        for (const QString& line : plant.logLines())
            EXPECT_FALSE(line.contains(QLatin1Char('\r'))) << "no line forged in the event log";
    }
    {
        // A station that answers anything but the echo: nothing counts as delivered, and nothing is lost.
        ProcessHarness plant({.test = "whole process, bad replies", .seed = f.seed});
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        bool echo = false;
        int answered = 0;
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                QObject::connect(s, &QTcpSocket::readyRead, s, [&, s] {
                    const QByteArray message = s->readAll();
                    s->write(echo ? "Recibido:" + message : junk.bytes(junk.below(12)));
                    ++answered;
                });
            }
        });
        plant.point("", server.serverPort());
        const qint64 start = plant.addAlarms({1}).value(0);
        const auto a = plant.agent({.tickMs = 100, .linkWaitMs = 100});
        ASSERT_TRUE(plant.waitPosition(start, 15s));
        const QList<qint64> ids = plant.addAlarms(ProcessHarness::codes(1000, 5));
        ASSERT_TRUE(pollUntil([&] { return answered >= 20; }, 30s));
        EXPECT_EQ(plant.positionId(), start) << "no bad reply counted as an echo";
        echo = true;
        EXPECT_TRUE(plant.waitPosition(ids.last(), 30s));
        peakKb = std::max(peakKb, a->peakMemoryKb());
        a->terminate();
        hung += !a->waitFinished(10s);
        crashed += a->process.exitStatus() != QProcess::NormalExit;
        ++runs;
    }
    EXPECT_EQ(crashed, 0);
    EXPECT_EQ(hung, 0);
    EXPECT_LT(peakKb, 200 * 1024);
    f.figures(QStringLiteral("whole-process-runs=%1 crashed=%2 hung=%3 agent-peak-rss-kb=%4 seconds=%5")
                  .arg(runs)
                  .arg(crashed)
                  .arg(hung)
                  .arg(peakKb)
                  .arg(elapsed.elapsed() / 1000));
}
