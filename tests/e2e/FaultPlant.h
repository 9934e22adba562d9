#pragma once

// What the fault-injection tests share: a plant, the agent as a real process, stations, and the figures
// line each test prints at its end.
#include "core/EventLog.h"
#include "core/IniFile.h"
#include "forwarding/UltCodFile.h"
#include "support/AgentProcess.h"
#include "support/Poll.h"
#include "support/Station.h"
#include "support/TestPlant.h"
#include "support/TestSeed.h"
#include "support/Unprivileged.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>
#include <functional>
#include <memory>

struct FaultPlant {
    explicit FaultPlant(const char* test) : FaultPlant(test, testSeed(test)) {}
    // A plant of a test that has its seed already.
    FaultPlant(const char* test, quint32 given) : name(test), seed(given), random(seed) {
        // The watchdog's own notices are told by tests of their own; here only alarms count.
        IniFile::write(plant.ini(), QStringLiteral("EXCLUDE"), QStringLiteral("1"),
                       QStringLiteral("SISTEMA##*"));
    }

    const char* name;
    quint32 seed;
    QRandomGenerator random;
    TestPlant plant;
    QTemporaryDir logs;

    // The agent without a screen, its step labels traced, its logs kept apart.
    // childSetup runs in the agent's process before it starts (async-signal-safe calls only: limits).
    std::unique_ptr<AgentProcess> agent(int tickMs, int linkWaitMs, bool unprivileged = false,
                                        const QStringList& extraEnv = {},
                                        const std::function<void()>& childSetup = {}) const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("TMP"), logs.path());
        e.insert(QStringLiteral("LANG"), QStringLiteral("C"));
        e.remove(QStringLiteral("LC_ALL"));
        e.insert(QStringLiteral("VORNNET_LINK_WAIT_MS"), QString::number(linkWaitMs));
        e.insert(QStringLiteral("VORNNET_PROCESS_SCOPE"), plant.gelmar);
        e.insert(QStringLiteral("VORNNET_RESTART_WAIT_MS"), QStringLiteral("100"));
        for (const QString& pair : extraEnv)
            e.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        auto a = std::make_unique<AgentProcess>(
            QStringList{QStringLiteral("--unattended"), QStringLiteral("--trace"), QStringLiteral("--folder"),
                        plant.program, QStringLiteral("--tick-ms"), QString::number(tickMs)},
            e);
        if (childSetup)
            a->process.setChildProcessModifier(childSetup);
        if (unprivileged) {
            Unprivileged::giveTree(plant.root.path());
            Unprivileged::giveTree(logs.path());
            Unprivileged::apply(a->process);
        }
        a->start();
        return a;
    }

    void point(const QString& suffix, quint16 port) const {
        plant.config(QStringLiteral("IpQuarnCenter") + suffix, QStringLiteral("127.0.0.1"));
        plant.config(QStringLiteral("RemotePort") + suffix, QString::number(port));
    }

    QString positionPath() const {
        return QDir(plant.program)
            .filePath(UltCodFile::fileName(UltCodFile::Kind::Alarms, QStringLiteral("EDAR Norte")));
    }
    QByteArray position() const {
        QFile f(positionPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The id the position file holds; -1 when it is missing or not one whole line.
    qint64 positionId() const {
        static const QRegularExpression whole(QStringLiteral("^ (\\d+)\\r\\n$"));
        const auto m = whole.match(QString::fromLatin1(position()));
        return m.hasMatch() ? m.captured(1).toLongLong() : -1;
    }
    bool waitPosition(qint64 id, std::chrono::milliseconds limit) const {
        return pollUntil([&] { return positionId() >= id; }, limit);
    }

    // Alarms with the codes given (the code names the alarm in the station's record), one second apart
    // and ending a minute ago, in one transaction; their ids in order.
    QList<qint64> addAlarms(const QList<qint64>& codes, const QString& install = {}) const {
        QList<qint64> ids;
        const QString connection = QStringLiteral("fault-plant-alarms");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
            db.setDatabaseName(GelmarInstall::databasePath(install.isEmpty() ? plant.gelmar : install,
                                                           GelmarInstall::acquired));
            if (!db.open() || !db.transaction())
                return ids;
            QSqlQuery q(db);
            q.prepare(QStringLiteral("INSERT INTO FlashAlarms (Alarmcode, Ref_virtinstrumentid, TimeStamp, "
                                     "AlarmState) VALUES (?, ?, ?, ?)"));
            const QDateTime start = QDateTime::currentDateTime().addSecs(-60 - codes.size());
            for (qsizetype i = 0; i < codes.size(); ++i) {
                q.addBindValue(codes[i]);
                q.addBindValue(QString::number(1 + i % 4));
                q.addBindValue(start.addSecs(i).toString(GelmarInstall::dateFormat));
                q.addBindValue(static_cast<int>(i % 2));
                if (!q.exec())
                    break;
                ids << q.lastInsertId().toLongLong();
            }
            db.commit();
        }
        QSqlDatabase::removeDatabase(connection);
        return ids;
    }
    static QList<qint64> codes(qint64 first, int count) {
        QList<qint64> c;
        for (int i = 0; i < count; ++i)
            c << first + i;
        return c;
    }
    // The code field of each recorded ALARM message ("@@plant##ALARM##code##...").
    static QList<qint64> codesOf(const QList<QByteArray>& messages) {
        QList<qint64> c;
        for (const QByteArray& m : messages)
            c << m.split('#').value(4).toLongLong();
        return c;
    }

    QStringList logLines() const {
        QStringList lines;
        for (const QString& file : QDir(logs.path()).entryList({QStringLiteral("VORNNET-*.log")})) {
            QFile f(QDir(logs.path()).filePath(file));
            if (f.open(QIODevice::ReadOnly))
                lines += QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        }
        return lines;
    }
    // The codes of the alarms the event log says were acknowledged, in order.
    QList<qint64> deliveredCodes() const {
        QList<qint64> c;
        for (const QString& line : logLines())
            if (line.contains(QStringLiteral(",ALARM,")) && line.contains(QStringLiteral(" Hora envio: ")))
                c << line.section(QLatin1Char(','), 2, 2).toLongLong();
        return c;
    }

    // The test's figures, on one line, and how to print them again.
    void figures(const QString& text) const {
        std::printf("figures %s: %s (VORNNET_TEST_SEED=%u)\n", name, qPrintable(text), seed);
        std::fflush(stdout);
    }
};
