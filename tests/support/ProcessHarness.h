#pragma once

// What every whole-process test shares: a plant and the agent's program folder, the agent as a real
// process with its logs kept apart, central stations and a modem, the waits, and the records read back.
#include "core/state/StatusFile.h"
#include "forwarding/UltCodFile.h"
#include "support/Station.h"
#include "support/TestCommon.h"
#include "support/TestPlant.h"
#include "support/TestSeed.h"
#include "support/Unprivileged.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <cstdio>
#include <set>

// The real vornnet executable, started by a test and never left running after it.
class AgentProcess {
public:
    static QString executable() { return QStringLiteral(VORNNET_BUILD_DIR "/src/app/vornnet"); }

    explicit AgentProcess(const QStringList& args,
                          const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        process.setProcessEnvironment(env);
        process.setProgram(executable());
        process.setArguments(args);
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { out += process.readAllStandardOutput(); });
        QObject::connect(&process, &QProcess::readyReadStandardError,
                         [this] { err += process.readAllStandardError(); });
    }
    ~AgentProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    bool start() {
        process.start();
        return process.waitForStarted(5000);
    }
    // Waits, letting events run, until standard output holds text.
    bool waitOutput(const QString& text, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        BoundedWait wait;
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &wait, &BoundedWait::wake);
        return wait.until([&] { return QString::fromUtf8(out).contains(text); }, limit);
    }
    bool waitFinished(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        BoundedWait wait;
        QObject::connect(&process, &QProcess::finished, &wait, &BoundedWait::wake);
        return wait.until([&] { return process.state() == QProcess::NotRunning; }, limit);
    }
    // A bounded wait for the end; true when it ended by itself with the status code.
    bool endedWith(int code, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        return waitFinished(limit) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == code;
    }
    void terminate() { process.terminate(); }
    // SIGTERM and a bounded wait for the end; true when it ended cleanly (status 0).
    bool stop(std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        terminate();
        return endedWith(0, limit);
    }
    // SIGKILL, as a power cut or the OOM killer ends it, and a bounded wait for the end.
    bool kill() {
        process.kill();
        return waitFinished();
    }

    // Peak resident memory in KiB (VmHWM), read while the process runs; -1 when it can not be read.
    qint64 peakMemoryKb() const {
        static const QRegularExpression hwm(QStringLiteral("VmHWM:\\s*(\\d+)"));
        const auto m = hwm.match(
            QString::fromLatin1(readFile(QStringLiteral("/proc/%1/status").arg(process.processId()))));
        return m.hasMatch() ? m.captured(1).toLongLong() : -1;
    }

    QProcess process;
    QByteArray out;
    QByteArray err;
};

// The event log's lines (every VORNNET-*.log of a folder).
inline QStringList logLines(const QString& folder) {
    QStringList lines;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("VORNNET-*.log")}))
        lines += eventLogLines(QDir(folder).filePath(name));
    return lines;
}

// How one agent process is run.
struct AgentRun {
    int tickMs = 200;
    int linkWaitMs = 200;
    bool trace = true;
    // As another account, in a tree it owns (see Unprivileged.h); check unprivilegedSkip() first.
    bool unprivileged = false;
    // Without TMP and TEMP: the event log goes to the program folder.
    bool logsInProgram = false;
    QStringList env; // "NAME=value", over the harness's own
    // Runs in the agent's process before it starts (async-signal-safe calls only: limits).
    std::function<void()> childSetup;
};

struct HarnessOptions {
    const char* test = nullptr; // names the seed and the figures line; the seed is drawn when given
    QString plant = QStringLiteral("EDAR Norte");
    bool databases = true;
    // The watchdog's own notices excluded, when only alarms count.
    bool alarmsOnly = true;
};

// How a command of the agent that ends by itself ended: -1 when it hung or crashed.
struct Ran {
    int exitCode = -1;
    QString out;
    qint64 ms = 0;
    // The output read as JSON (--json); empty when it is not an object.
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

struct ProcessHarness {
    explicit ProcessHarness(const HarnessOptions& o = {})
        : name(o.test ? o.test : ""), seed(o.test ? testSeed(o.test) : 0), random(seed), plantName(o.plant),
          plant(o.plant, o.databases) {
        started.start();
        if (o.alarmsOnly)
            EscribeIni(plant.ini(), QStringLiteral("EXCLUDE"), QStringLiteral("1"),
                       QStringLiteral("SISTEMA##*"));
    }

    const char* name;
    quint32 seed;
    QRandomGenerator random;
    QString plantName;
    TestPlant plant;
    QTemporaryDir logs;
    QElapsedTimer started;

    // Why an agent run as another account can not run here; empty when it can.
    QString unprivilegedSkip() const {
        return Unprivileged::whyNot({plant.root.path(), logs.path()}, AgentProcess::executable());
    }

    // The environment of an agent process: its logs kept apart, and the pairs given over it.
    QProcessEnvironment environment(const QStringList& pairs) const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.remove(QStringLiteral("TEMP"));
        e.insert(QStringLiteral("TMP"), logs.path());
        for (const QString& pair : pairs)
            e.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        return e;
    }

    // The agent without a screen, started; its step labels traced unless told otherwise.
    std::unique_ptr<AgentProcess> agent(const AgentRun& run = {}) const {
        // The watchdog sees only the processes started from the test's own installation.
        QProcessEnvironment e = environment(
            QStringList{QStringLiteral("LANG=C"), QStringLiteral("VORNNET_PROCESS_SCOPE=") + plant.gelmar,
                        QStringLiteral("VORNNET_LINK_WAIT_MS=%1").arg(run.linkWaitMs),
                        QStringLiteral("VORNNET_RESTART_WAIT_MS=100")} +
            run.env);
        e.remove(QStringLiteral("LC_ALL"));
        if (run.logsInProgram)
            e.remove(QStringLiteral("TMP"));
        QStringList args{QStringLiteral("--unattended"), QStringLiteral("--folder"), plant.program,
                         QStringLiteral("--tick-ms"), QString::number(run.tickMs)};
        if (run.trace)
            args.prepend(QStringLiteral("--trace"));
        auto a = std::make_unique<AgentProcess>(args, e);
        if (run.childSetup)
            a->process.setChildProcessModifier(run.childSetup);
        if (run.unprivileged) {
            Unprivileged::giveTree(plant.root.path());
            Unprivileged::giveTree(logs.path());
            a->process.setProgram(Unprivileged::reachableCopy(AgentProcess::executable()));
            Unprivileged::apply(a->process);
        }
        EXPECT_TRUE(a->start()) << a->process.errorString();
        return a;
    }

    // A command of the agent that ends by itself (--check, --status, ...) on this folder, run to its end.
    Ran runCommand(const QStringList& args, const QStringList& env = {}) const {
        AgentProcess p(args + QStringList{QStringLiteral("--folder"), plant.program}, environment(env));
        QElapsedTimer t;
        t.start();
        if (!p.start() || !p.waitFinished(std::chrono::seconds(30)))
            return {};
        return {p.process.exitStatus() == QProcess::NormalExit ? p.process.exitCode() : -1,
                QString::fromUtf8(p.out), t.elapsed()};
    }
    // What --status --json tells of the folder; empty when it tells nothing readable.
    QJsonObject statusJson() const {
        return runCommand({QStringLiteral("--status"), QStringLiteral("--json")}).json();
    }

    void point(const QString& suffix, quint16 port) const {
        plant.config(QStringLiteral("IpQuarnCenter") + suffix, QStringLiteral("127.0.0.1"));
        plant.config(QStringLiteral("RemotePort") + suffix, QString::number(port));
    }
    // A station started (its arguments after the harness's own) and the link of the suffix pointed at it.
    bool startStation(Station& station, const QString& suffix = {}, const QStringList& extra = {}) const {
        if (!station.start(extra))
            return false;
        point(suffix, station.port);
        return true;
    }

    QString positionPath() const {
        return QDir(plant.program).filePath(UltCodFile::fileName(UltCodFile::Kind::Alarms, plantName));
    }
    QByteArray position() const { return readFile(positionPath()); }
    // The id the position file holds; -1 when it is missing or not one whole line.
    qint64 positionId() const {
        static const QRegularExpression whole(QStringLiteral("^ (\\d+)\\r\\n$"));
        const auto m = whole.match(QString::fromLatin1(position()));
        return m.hasMatch() ? m.captured(1).toLongLong() : -1;
    }
    bool waitPosition(qint64 id, std::chrono::milliseconds limit = std::chrono::seconds(15)) const {
        return pollUntil([&] { return positionId() >= id; }, limit);
    }

    // Alarms with the codes given (the code names the alarm in the station's record), one second apart
    // and ending a minute ago, in one transaction; their ids in order.
    QList<qint64> addAlarms(const QList<qint64>& codes) const {
        QList<QVariantList> rows;
        const QDateTime start = QDateTime::currentDateTime().addSecs(-60 - codes.size());
        for (qsizetype i = 0; i < codes.size(); ++i)
            rows.append({codes[i], QString::number(1 + i % 4),
                         start.addSecs(i).toString(GelmarInstall::dateFormat), static_cast<int>(i % 2)});
        return SideConnection(plant.acquired())
            .insert(QStringLiteral("INSERT INTO FlashAlarms (Alarmcode, Ref_virtinstrumentid, TimeStamp, "
                                   "AlarmState) VALUES (?, ?, ?, ?)"),
                    rows);
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

    QStringList logLines() const { return ::logLines(logs.path()); }
    // The codes of the alarms the event log says were acknowledged, in order.
    QList<qint64> deliveredCodes() const {
        QList<qint64> c;
        for (const QString& line : logLines())
            if (line.contains(QStringLiteral(",ALARM,")) && line.contains(QStringLiteral(" Hora envio: ")))
                c << line.section(QLatin1Char(','), 2, 2).toLongLong();
        return c;
    }

    // The test's figures, on one line with the seconds it took, and how to print them again.
    void figures(const QString& text) const {
        std::printf("figures %s: %s seconds=%lld (VORNNET_TEST_SEED=%u)\n", name, qPrintable(text),
                    started.elapsed() / 1000, seed);
        std::fflush(stdout);
    }
};

// What reached the far end of the alarms sent, by their codes: each one once, and in the order sent.
struct Tally {
    Tally(const QList<qint64>& sent, const QList<qint64>& received) {
        std::set<qint64> seen;
        qsizetype last = -1;
        for (qint64 code : received) {
            const qsizetype at = sent.indexOf(code);
            if (at < 0) {
                ++foreign;
                continue;
            }
            duplicates += !seen.insert(code).second;
            outOfOrder += at < last;
            last = std::max(last, at);
        }
        for (qint64 code : sent)
            lost += !seen.contains(code);
    }
    // "lost=0 duplicates=0 out-of-order=0", for a figures line.
    QString text() const {
        return QStringLiteral("lost=%1 duplicates=%2 out-of-order=%3")
            .arg(lost)
            .arg(duplicates)
            .arg(outOfOrder);
    }

    int lost = 0;       // sent and never received
    int duplicates = 0; // received again
    int outOfOrder = 0; // received after one sent later
    int foreign = 0;    // received and never sent
};
