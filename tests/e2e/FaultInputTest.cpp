// Bad input, generated from a seed: ini files, position files, central-station replies and database rows.
// The parsers are driven directly, many thousand times, and a sample goes through the whole process. No
// crash, no hang, memory bounded, and nothing wrong is ever counted as delivered.
#include "CenterSession.h"
#include "FaultPlant.h"
#include "app/ForwardingViews.h"
#include "core/AgentError.h"
#include "core/AgentSettings.h"
#include "core/Configuration.h"
#include "core/DeliveryState.h"
#include "core/Form1State.h"
#include "core/StatusFile.h"
#include "core/SupervisionDb.h"
#include "core/Windows1252.h"
#include "forwarding/AlarmScan.h"
#include "forwarding/BufferDb.h"
#include "forwarding/CentralLink.h"
#include "forwarding/Delivery.h"
#include "forwarding/Exclusions.h"
#include "forwarding/LifeTestClock.h"
#include "forwarding/MessageFormat.h"
#include "support/FakeClock.h"
#include "support/FakeSender.h"
#include "support/Poll.h"
#include "support/RecordingDialogs.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

qint64 residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// Bytes built from pieces that trouble parsers: blanks of every kind, byte-order marks, NULs, frames,
// separators, signs, digits, long runs, characters outside Latin-1 and outside Windows-1252.
class Junk {
public:
    explicit Junk(QRandomGenerator& random) : m_random(random) {}

    QByteArray bytes(int pieces) {
        static const QByteArray vocabulary[] = {" ",
                                                "\t",
                                                "\r\n",
                                                "\n",
                                                "\r",
                                                QByteArray("\0", 1),
                                                "\xEF\xBB\xBF",
                                                "\xFF\xFE",
                                                "\xC2\xA0",
                                                "\xA0",
                                                "@@",
                                                "##",
                                                "#",
                                                "@",
                                                "\"",
                                                "|",
                                                "=",
                                                "[",
                                                "]",
                                                ";",
                                                "-",
                                                "+",
                                                ".",
                                                "0",
                                                "7",
                                                "12345678901234567890",
                                                "CONFIG",
                                                "EXCLUDE",
                                                "status",
                                                "Recibido:",
                                                "\xC3\xB1",
                                                "\xE2\x82\xAC",
                                                "\xF0\x9F\x94\xA5",
                                                "\x80",
                                                "\xFF",
                                                "SISTEMA",
                                                "x"};
        QByteArray out;
        for (int i = 0; i < pieces; ++i) {
            if (m_random.bounded(40) == 0) {
                out += QByteArray(m_random.bounded(1, 400), static_cast<char>(m_random.bounded(32, 127)));
                continue;
            }
            out += vocabulary[m_random.bounded(static_cast<int>(std::size(vocabulary)))];
        }
        return out;
    }
    QString text(int pieces) { return QString::fromUtf8(bytes(pieces)); }
    int below(int n) { return m_random.bounded(n); }

private:
    QRandomGenerator& m_random;
};

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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

TEST(FaultInjection, TenThousandBadInputsToTheParsersAndASampleThroughTheWholeProcess) {
    FaultPlant f("TenThousandBadInputsToTheParsersAndASampleThroughTheWholeProcess");
    QElapsedTimer elapsed;
    elapsed.start();
    Junk junk(f.random);
    const qint64 rssBefore = residentKb();
    int positions = 0, inis = 0, replies = 0, rows = 0, wronglyDelivered = 0, misread = 0;

    // Position files: the first number past any filler, nothing else; what is written reads back.
    for (int i = 0; i < 3000; ++i, ++positions) {
        const bool shaped = junk.below(2) == 0;
        const qint64 value =
            static_cast<qint64>(f.random.generate64() >> junk.below(64)) * (junk.below(2) ? 1 : -1);
        QByteArray text = junk.bytes(junk.below(6));
        if (shaped) {
            static const QByteArray filler[] = {" ", "\t", "\r\n", QByteArray("\0", 1), "\xC2\xA0"};
            text = junk.below(2) ? QByteArray("\xEF\xBB\xBF") : QByteArray();
            for (int k = junk.below(4); k > 0; --k)
                text += filler[junk.below(std::size(filler))];
            text +=
                QByteArray::number(value) + (junk.below(2) ? QByteArray("\r\n") : junk.bytes(2).prepend('x'));
        }
        const std::optional<qint64> parsed = UltCodFile::parse(text);
        if (shaped && parsed != value)
            ++misread;
        if (UltCodFile::parse(UltCodFile::content(value)) != value)
            ++misread;
    }
    EXPECT_EQ(misread, 0);

    // Ini files: every reader of settings, over files no editor would write.
    QTemporaryDir iniDir;
    const QString ini = QDir(iniDir.path()).filePath(QStringLiteral("vornnet.ini"));
    const QStringList keys = {"RemotePort",
                              "IpQuarnCenter",
                              "LifeTest",
                              "MaxDb",
                              "minFree",
                              "ChkRestart",
                              "MinNoData",
                              "pathGelmar",
                              "DiaOptimiza",
                              "HoraOptimiza",
                              "noMinimize",
                              "DbEngine",
                              "smsEnabled",
                              "DifTime",
                              "1",
                              "2",
                              "3"};
    for (int i = 0; i < 3000; ++i, ++inis) {
        QByteArray content;
        for (int line = junk.below(12); line > 0; --line) {
            if (junk.below(4) == 0)
                content += "[" + (junk.below(2) ? QByteArray("CONFIG") : junk.bytes(2)) + "]\r\n";
            content += (junk.below(3) ? keys[junk.below(keys.size())].toLatin1() : junk.bytes(2)) + "=" +
                       junk.bytes(junk.below(8)) + (junk.below(5) ? "\r\n" : "\n");
        }
        writeFile(ini, content);
        Form1State form;
        AgentSettings settings;
        RecordingDialogs dialogs;
        Configuration config(iniDir.path(), form, settings, dialogs);
        try {
            config.readConfig([](int) {});
            config.readOptimizaSchedule();
            config.readSmsEntries();
            (void)StatusFile(iniDir.path()).readFlags();
            (void)config.stationsText();
            (void)SupervisionDb::Settings::fromIni(ini);
            (void)Exclusions(ini).HayQueEnviar(junk.text(2), junk.text(2));
        } catch (const AgentError&) {
            // A setting that is not a number may end a step with its message; it must not crash.
        }
    }

    // Replies: the station's own reading of messages, then the link against replies of every shape.
    for (int i = 0; i < 2000; ++i, ++replies) {
        const QByteArray bytes = junk.bytes(junk.below(30));
        const qsizetype end = CenterSession::messageEnd(bytes);
        EXPECT_TRUE(end == -1 || (end >= 4 && end <= bytes.size()));
        (void)Windows1252::decode(bytes);
    }
    {
        QTcpServer server;
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        QByteArray reply;
        bool exact = false;
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                QObject::connect(s, &QTcpSocket::readyRead, s, [&, s] {
                    const QByteArray message = s->readAll();
                    const int shape = junk.below(5);
                    exact = shape == 0;
                    reply = exact        ? "Recibido:" + message
                            : shape == 1 ? "Recibido:" + message + junk.bytes(1)
                            : shape == 2 ? ("Recibido:" + message).left(junk.below(message.size() + 9))
                                         : junk.bytes(junk.below(20));
                    s->write(reply);
                    if (junk.below(4) == 0)
                        s->disconnectFromHost();
                });
            }
        });
        Form1State form;
        form.IpQuarn.setText(QStringLiteral("127.0.0.1"));
        form.lblPuerto.setText(QString::number(server.serverPort()));
        CentralLink link(forwardingViews(form).link);
        link.setConnectWait(2000ms);
        link.setReplyWait(20ms);
        for (int i = 0; i < 500; ++i, ++replies) {
            const QString message =
                MessageFormat::liveAlarm(junk.text(3), junk.below(1000), "1", junk.text(4), junk.text(4),
                                         QDateTime::currentDateTime());
            const bool delivered = link.Envia(message, 1);
            wronglyDelivered += delivered && !exact;
        }
    }
    EXPECT_EQ(wronglyDelivered, 0) << "only the exact echo counts";

    // Database rows: the scan over rows and names no sane supervision system writes.
    {
        TestPlant plant;
        FakeClock clock(QDateTime::currentDateTime());
        const BadRows made = fillWithBadRows(plant, junk, 2500, clock.now());
        rows = made.alarms + made.names;
        Form1State form;
        form.txtPlanta.setText(QStringLiteral("EDAR Norte"));
        AgentSettings settings;
        StatusFlags flags;
        RecordingDialogs dialogs;
        EventLog log(plant.program, clock);
        SupervisionDb db(
            SupervisionDb::Settings::fromIni(plant.ini()), [&] { return plant.gelmar; }, log, dialogs);
        ASSERT_TRUE(db.ConectaConDB());
        BufferDb buffer(BufferDb::pathIn(plant.program), dialogs);
        buffer.open();
        FakeSender sender;
        DeliveryState state;
        const Forwarding::Views views = forwardingViews(form);
        LifeTestClock lifeTest(views.lifeTest, clock, log, sender, state);
        Exclusions exclusions(plant.ini());
        StatusFile status(plant.program);
        Delivery handOn({views.delivery, flags.SMSOn, settings.smsAuxiliaries, clock, log, sender, state});
        AlarmScan scan({plant.program,
                        views.scan,
                        flags,
                        status,
                        {clock, log, dialogs},
                        db,
                        buffer,
                        handOn,
                        lifeTest,
                        exclusions});
        UltCodFile(plant.program, UltCodFile::Kind::Alarms, QStringLiteral("EDAR Norte")).write(0);
        const qint64 newest = newestSelected(plant, clock.now());
        const UltCodFile position(plant.program, UltCodFile::Kind::Alarms, QStringLiteral("EDAR Norte"));
        for (int cycle = 0; cycle < 20 && position.read() != newest; ++cycle)
            scan.BuscaAlarmas();
        EXPECT_EQ(position.read(), newest) << form.txtError.text().toStdString();
        int badMessages = 0;
        for (const QString& m : sender.sent) {
            const QByteArray wire = Windows1252::encode(m);
            badMessages += CenterSession::messageEnd(wire) != wire.size() || wire.count("@@") != 2;
        }
        EXPECT_EQ(badMessages, 0) << "every message is the frame and nine fields, and nothing more";
        int forged = 0;
        for (const QByteArray& line : read(log.currentPath()).split('\n'))
            forged += line.chopped(line.endsWith('\r') ? 1 : 0).contains('\r');
        EXPECT_EQ(forged, 0);
    }
    const qint64 rssGrowth = residentKb() - rssBefore;
    EXPECT_LT(rssGrowth, 64 * 1024) << "memory stays bounded";

    // A sample through the whole process: bad settings, bad positions, bad rows, bad replies.
    int runs = 0, crashed = 0, hung = 0;
    qint64 peakKb = 0;
    const auto run = [&](FaultPlant& plant, std::chrono::milliseconds life) {
        const auto a = plant.agent(100, 200);
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
        FaultPlant plant("whole process, bad settings", f.seed);
        QByteArray content = read(plant.plant.ini());
        for (int k = 0; k < 6; ++k)
            content +=
                keys[junk.below(keys.size() - 3)].toLatin1() + "=" + junk.bytes(junk.below(6)) + "\r\n";
        // The engine and the installation stay, so the agent gets as far as its scan.
        content.replace("DbEngine=", "x=").replace("pathGelmar=", "y=");
        writeFile(plant.plant.ini(), "[CONFIG]\r\nDbEngine=sqlite\r\npathGelmar=" +
                                         plant.plant.gelmar.toUtf8() + "\r\n" + content);
        run(plant, 1500ms);
    }
    for (int i = 0; i < 8; ++i) {
        FaultPlant plant("whole process, bad position", f.seed);
        plant.addAlarms({1, 2});
        writeFile(plant.positionPath(), junk.bytes(junk.below(6)));
        const bool usable = UltCodFile::parse(read(plant.positionPath())).has_value();
        const int code = run(plant, 1500ms);
        if (!usable)
            EXPECT_EQ(code, 1) << "a position without a number stops the start";
    }
    {
        FaultPlant plant("whole process, bad rows", f.seed);
        Station station;
        ASSERT_TRUE(station.start());
        plant.point("", station.port);
        const QDateTime now = QDateTime::currentDateTime();
        fillWithBadRows(plant.plant, junk, 300, now);
        writeFile(plant.positionPath(), " 0\r\n");
        const qint64 newest = newestSelected(plant.plant, now);
        const auto a = plant.agent(100, 500);
        EXPECT_TRUE(plant.waitPosition(newest, 60s)) << a->err.right(2000).toStdString();
        peakKb = std::max(peakKb, a->peakMemoryKb());
        a->terminate();
        hung += !a->waitFinished(10s);
        crashed += a->process.exitStatus() != QProcess::NormalExit;
        ++runs;
        const QList<QByteArray> received = messagesIn(station.recorded());
        EXPECT_GT(received.size(), 0);
        EXPECT_EQ(received.size(), station.recorded().count("\n@@") + 1) << "each one read whole";
    }
    {
        // A station that answers anything but the echo: nothing counts as delivered, and nothing is lost.
        FaultPlant plant("whole process, bad replies", f.seed);
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
        const auto a = plant.agent(100, 100);
        ASSERT_TRUE(plant.waitPosition(start, 15s));
        const QList<qint64> ids = plant.addAlarms(FaultPlant::codes(1000, 5));
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
    const int inputs = positions + inis + replies + rows;
    EXPECT_GE(inputs, 10000);
    f.figures(
        QStringLiteral("inputs=%1 (positions=%2 ini=%3 replies=%4 db-rows=%5) misread=%6 "
                       "wrong-echo-delivered=%7 rss-growth-kb=%8 whole-process-runs=%9 crashed=%10 hung=%11 "
                       "agent-peak-rss-kb=%12 seconds=%13")
            .arg(inputs)
            .arg(positions)
            .arg(inis)
            .arg(replies)
            .arg(rows)
            .arg(misread)
            .arg(wronglyDelivered)
            .arg(rssGrowth)
            .arg(runs)
            .arg(crashed)
            .arg(hung)
            .arg(peakKb)
            .arg(elapsed.elapsed() / 1000));
}
