#include "Figures.h"

#include "AgentRun.h"
#include "BenchPlant.h"
#include "LoopbackFloor.h"
#include "ProcessStats.h"
#include "Transmission.h"
#include "core/model/Dialogs.h"
#include "core/runtime/BoundedWait.h"
#include "core/runtime/Clock.h"
#include "core/runtime/EventLog.h"
#include "forwarding/AlarmPoll.h"
#include "forwarding/UltCodFile.h"
#include "supervision/SupervisionDb.h"
#include "support/Poll.h"
#include "support/Station.h"
#include "support/Stunnel.h"
#include "support/TestCertificates.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

using namespace std::chrono_literals;

namespace {

// A port nothing listens on: connections to it are refused.
quint16 closedPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

// Row keys.
const QString floorRate = QStringLiteral("Backlog of 1,000: bare loopback client (floor)");
const QString agentRate = QStringLiteral("Backlog of 1,000: agent");
const QString ratio = QStringLiteral("Backlog of 1,000: agent / floor");
const QString floorCpu = QStringLiteral("CPU per message: bare client");
const QString centerCpu = QStringLiteral("CPU per message: quarn-center");
const QString agentCpu = QStringLiteral("CPU per alarm: agent");
const QString excludedCpu = QStringLiteral("CPU per alarm: agent, 200 entries in EXCLUDE");
const QString excludedRatio = QStringLiteral("Same, 200 entries in EXCLUDE: agent / floor");
const QString wakeups = QStringLiteral("Wake-ups while a delivery waits on a silent station");
const QString cpu = QStringLiteral("CPU while a delivery waits on a silent station");
const QString firstRun = QStringLiteral("Start to first scheduler run");
const QString rssRest = QStringLiteral("RSS at rest");
const QString rssAfter = QStringLiteral("RSS after 1,000 forwarded");
const QString rssDown = QStringLiteral("RSS, 100,000 pending, station down");
const QString peakDown = QStringLiteral("Peak RSS, 100,000 pending, station down");
const QString runDown = QStringLiteral("One run, 100,000 pending, station down");
const QString run1k = QStringLiteral("One run, 1,000 rows in FlashAlarms, 10 new");
const QString run10k = QStringLiteral("One run, 10,000 rows in FlashAlarms, 10 new");
const QString run100k = QStringLiteral("One run, 100,000 rows in FlashAlarms, 10 new");
const QString failover = QStringLiteral("FastFailover=1, primary refusing: delivered on secondary A");
const QString tickMean = QStringLiteral("Insert to receipt, 30 s tick, AlarmPollMs=0: mean");
const QString tickP95 = QStringLiteral("Insert to receipt, 30 s tick, AlarmPollMs=0: 95th percentile");
const QString pollMean = QStringLiteral("Insert to receipt, AlarmPollMs=1000: mean");
const QString pollP95 = QStringLiteral("Insert to receipt, AlarmPollMs=1000: 95th percentile");
const QString restWakeups0 = QStringLiteral("Wake-ups at rest, AlarmPollMs=0");
const QString restWakeups = QStringLiteral("Wake-ups at rest, AlarmPollMs=1000");
const QString restCpu0 = QStringLiteral("CPU at rest, AlarmPollMs=0");
const QString restCpu = QStringLiteral("CPU at rest, AlarmPollMs=1000");
const QString look1k = QStringLiteral("One look of the fast path, 1,000 rows in FlashAlarms");
const QString look100k = QStringLiteral("One look of the fast path, 100,000 rows in FlashAlarms");
const QString look1M = QStringLiteral("One look of the fast path, 1,000,000 rows in FlashAlarms");

const QString plainSameRun = QStringLiteral("Backlog of 1,000, plain link, beside TLS: agent");
const QString tlsRate = QStringLiteral("Backlog of 1,000 over TLS (stunnel4, pinned certificate): agent");
const QString tlsRatio = QStringLiteral("Backlog over TLS / plain, same run");
const QString plainSameRunCpu = QStringLiteral("CPU per alarm, plain link, beside TLS: agent");
const QString tlsCpu = QStringLiteral("CPU per alarm over TLS: agent");
const QString tlsStunnelCpu = QStringLiteral("CPU per alarm over TLS: stunnel4");
const QString tlsCenterCpu = QStringLiteral("CPU per alarm, plain link, beside TLS: quarn-center");

constexpr int backlogSize = 1000;

void progress(const QString& what) {
    std::fprintf(stderr, "bench: %s\n", qPrintable(what));
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double mib(qint64 kib) {
    return static_cast<double>(kib) / 1024.0;
}

} // namespace

Figures::Figures(Programs programs, int runs) : m_programs(std::move(programs)), m_runs(runs) {
    row(floorRate, QStringLiteral("alarms/s"), QString(), 0);
    row(agentRate, QStringLiteral("alarms/s"), QString(), 0);
    row(ratio, QString(), QStringLiteral("≥ 0.6"), 2);
    row(excludedRatio, QString(), QStringLiteral("as without"), 2);
    row(floorCpu, QStringLiteral("µs"), QString(), 0);
    row(centerCpu, QStringLiteral("µs"), QString(), 0);
    row(agentCpu, QStringLiteral("µs"), QString(), 0);
    row(excludedCpu, QStringLiteral("µs"), QStringLiteral("as without"), 0);
    row(wakeups, QStringLiteral("/s"), QStringLiteral("≤ 2"), 1);
    row(cpu, QStringLiteral("% of a core"), QStringLiteral("≤ 0.05"), 3);
    row(firstRun, QStringLiteral("ms"), QString(), 0);
    row(rssRest, QStringLiteral("MiB"), QStringLiteral("≤ 25"), 1);
    row(rssAfter, QStringLiteral("MiB"), QStringLiteral("≤ 25"), 1);
    row(rssDown, QStringLiteral("MiB"), QStringLiteral("≤ 25"), 1);
    row(peakDown, QStringLiteral("MiB"), QStringLiteral("≤ 25"), 1);
    row(runDown, QStringLiteral("ms"), QString(), 0);
    row(run1k, QStringLiteral("ms"), QStringLiteral("flat"), 1);
    row(run10k, QStringLiteral("ms"), QStringLiteral("flat"), 1);
    row(run100k, QStringLiteral("ms"), QStringLiteral("flat"), 1);
    row(failover, QStringLiteral("s"), QString(), 2);
    row(tickMean, QStringLiteral("s"), QString(), 2);
    row(tickP95, QStringLiteral("s"), QString(), 2);
    row(pollMean, QStringLiteral("s"), QStringLiteral("≤ 1.0"), 2);
    row(pollP95, QStringLiteral("s"), QStringLiteral("≤ 1.5"), 2);
    row(restWakeups0, QStringLiteral("/s"), QString(), 2);
    row(restWakeups, QStringLiteral("/s"), QStringLiteral("≤ 2 beyond the look's 1"), 2);
    row(restCpu0, QStringLiteral("% of a core"), QString(), 3);
    row(restCpu, QStringLiteral("% of a core"), QStringLiteral("≤ 0.1"), 3);
    row(look1k, QStringLiteral("µs"), QStringLiteral("flat"), 0);
    row(look100k, QStringLiteral("µs"), QStringLiteral("flat"), 0);
    row(look1M, QStringLiteral("µs"), QStringLiteral("flat"), 0);
    row(plainSameRun, QStringLiteral("alarms/s"), QString(), 0);
    row(tlsRate, QStringLiteral("alarms/s"), QString(), 0);
    row(tlsRatio, QString(), QStringLiteral("≥ 0.5"), 2);
    row(plainSameRunCpu, QStringLiteral("µs"), QString(), 0);
    row(tlsCpu, QStringLiteral("µs"), QString(), 0);
    row(tlsCenterCpu, QStringLiteral("µs"), QString(), 0);
    row(tlsStunnelCpu, QStringLiteral("µs"), QString(), 0);
}

Figures::Row& Figures::row(const QString& figure, const QString& unit, const QString& goal, int decimals) {
    for (Row& r : m_rows)
        if (r.figure == figure)
            return r;
    m_rows.append({figure, unit, goal, decimals, {}});
    return m_rows.last();
}

void Figures::add(const QString& figure, double value) {
    row(figure, {}, {}, 0).samples.append(value);
}

void Figures::fail(const QString& why) {
    progress(QStringLiteral("FAILED: ") + why);
    m_failures.append(why);
}

void Figures::backlog() {
    BenchPlant plant(m_programs.gelmarSim);
    Station station;
    if (!plant.ok() || !station.start())
        return fail(QStringLiteral("backlog: set-up: ") + plant.error());
    plant.point(QString(), station.port);
    const qint64 last = plant.addAlarms(backlogSize);
    const QByteArrayList wire = plant.wireOfLast(backlogSize);

    for (const bool excluded : {false, true}) {
        if (excluded) {
            plant.exclude(200);
            // A list as a running plant has it, not one edited this very moment (which is read afresh
            // for as long as a change to it could still go unseen).
            BoundedWait().pause(2500ms);
        }
        for (int r = 0; r < m_runs; ++r) {
            progress(QStringLiteral("backlog%1, run %2")
                         .arg(excluded ? QStringLiteral(" with EXCLUDE") : QString())
                         .arg(r + 1));
            QString error;
            const qint64 centerBefore = ProcessStats::of(station.pid()).cpuNs;
            const LoopbackFloor::Result floor =
                LoopbackFloor::runApart(QCoreApplication::applicationFilePath(), station.port, wire, &error);
            const qint64 centerAfter = ProcessStats::of(station.pid()).cpuNs;
            if (floor.seconds <= 0)
                return fail(QStringLiteral("floor: ") + error);

            plant.setPosition(last - backlogSize);
            AgentRun agent(m_programs.agent, plant, 200);
            agent.watch(station.pid());
            if (!agent.start())
                return fail(QStringLiteral("backlog: the agent did not start"));
            const auto begin = agent.label(QStringLiteral("Busca Alarmas"));
            const auto end = agent.label(QStringLiteral("Sincroniza reloj"));
            const auto done = agent.waitLabel(QStringLiteral("---"));
            const double rssMiB = mib(ProcessStats::of(agent.pid()).rssKiB);
            if (!begin || !end || !done || plant.position() != last)
                return fail(QStringLiteral(
                                "backlog: the scan did not forward the whole backlog (position %1 of %2): %3")
                                .arg(plant.position())
                                .arg(last)
                                .arg(QString::fromLocal8Bit(agent.err().right(400))));
            agent.stop();
            // The floor again, right after: on a shared machine the load drifts, and the agent is compared
            // with the mean of the two floors around it.
            const LoopbackFloor::Result floorAfter =
                LoopbackFloor::runApart(QCoreApplication::applicationFilePath(), station.port, wire, &error);
            if (floorAfter.seconds <= 0)
                return fail(QStringLiteral("floor: ") + error);
            const double agentPerSecond = backlogSize / ((end->ms - begin->ms) / 1000.0);
            const double floorPerSecond =
                (backlogSize / floor.seconds + backlogSize / floorAfter.seconds) / 2;
            const double agentMicros = static_cast<double>(end->cpuNs - begin->cpuNs) / 1000.0 / backlogSize;
            if (excluded) {
                add(excludedRatio, agentPerSecond / floorPerSecond);
                add(excludedCpu, agentMicros);
            } else {
                add(floorRate, floorPerSecond);
                add(agentRate, agentPerSecond);
                add(ratio, agentPerSecond / floorPerSecond);
                add(floorCpu, static_cast<double>(floor.cpuNs) / 1000.0 / floor.sent);
                add(centerCpu, static_cast<double>(centerAfter - centerBefore) / 1000.0 / floor.sent);
                add(agentCpu, agentMicros);
                add(rssAfter, rssMiB);
            }
        }
    }
}

void Figures::tlsBacklog() {
    BenchPlant plant(m_programs.gelmarSim);
    Station station;
    TestCertificates certs;
    const TestCertificates::Made central = certs.make(QStringLiteral("central"));
    Stunnel terminator;
    if (!plant.ok() || !station.start() || !central.ok ||
        !terminator.start(station.port,
                          {QStringLiteral("cert = ") + central.cert, QStringLiteral("key = ") + central.key,
                           QStringLiteral("debug = notice")}))
        return fail(QStringLiteral("tls backlog: set-up (stunnel4 and openssl installed?): ") +
                    plant.error());
    const qint64 last = plant.addAlarms(backlogSize);
    for (int r = 0; r < m_runs; ++r) {
        // Plain then TLS in each run, so both see the same load on the machine.
        double rate[2] = {0, 0};
        for (const bool secured : {false, true}) {
            progress(QStringLiteral("backlog %1, run %2")
                         .arg(QLatin1String(secured ? "over TLS" : "plain beside TLS"))
                         .arg(r + 1));
            plant.config(QStringLiteral("TlsMode"), secured ? QStringLiteral("cert") : QStringLiteral("off"));
            plant.config(QStringLiteral("TlsCaFile"), central.cert);
            plant.config(QStringLiteral("TlsPin"), TestCertificates::fingerprint(central.cert));
            plant.point(QString(), secured ? terminator.port : station.port);
            plant.setPosition(last - backlogSize);
            AgentRun agent(m_programs.agent, plant, 200);
            const qint64 peer = secured ? terminator.pid() : station.pid();
            const qint64 peerBefore = ProcessStats::totalCpuNs(peer);
            if (!agent.start())
                return fail(QStringLiteral("tls backlog: the agent did not start"));
            const auto begin = agent.label(QStringLiteral("Busca Alarmas"));
            const auto end = agent.label(QStringLiteral("Sincroniza reloj"));
            const auto done = agent.waitLabel(QStringLiteral("---"));
            if (!begin || !end || !done || plant.position() != last)
                return fail(
                    QStringLiteral("tls backlog: the scan did not forward the whole backlog (position %1 "
                                   "of %2): %3")
                        .arg(plant.position())
                        .arg(last)
                        .arg(QString::fromLocal8Bit(agent.err().right(400))));
            agent.stop();
            rate[secured] = backlogSize / ((end->ms - begin->ms) / 1000.0);
            const double agentMicros = static_cast<double>(end->cpuNs - begin->cpuNs) / 1000.0 / backlogSize;
            // The whole run's, its few notices and life test included: stunnel's threads end with their
            // connections, and only the process's own total keeps their time.
            const double watchedMicros =
                static_cast<double>(ProcessStats::totalCpuNs(peer) - peerBefore) / 1000.0 / backlogSize;
            add(secured ? tlsRate : plainSameRun, rate[secured]);
            add(secured ? tlsCpu : plainSameRunCpu, agentMicros);
            add(secured ? tlsStunnelCpu : tlsCenterCpu, watchedMicros);
        }
        add(tlsRatio, rate[1] / rate[0]);
    }
}

void Figures::silentWait() {
    BenchPlant plant(m_programs.gelmarSim);
    Station station;
    if (!plant.ok() || !station.start())
        return fail(QStringLiteral("silent wait: set-up"));
    station.setMode("silent");
    plant.point(QString(), station.port);
    const qint64 last = plant.addAlarms(1);
    for (int r = 0; r < m_runs; ++r) {
        progress(QStringLiteral("silent station, run %1").arg(r + 1));
        const qsizetype before = station.recorded().count('\n');
        plant.setPosition(last - 1);
        // The link's own 20-second waits: the sample lies inside the echo wait.
        AgentRun agent(m_programs.agent, plant, 200);
        if (!agent.start() || !pollUntil([&] { return station.recorded().count('\n') > before; }, 20s, 20ms))
            return fail(QStringLiteral("silent wait: the message never reached the station"));
        // Past the start-up's own one-shot work (the hide timer and the first status update, 3 s after the
        // load), which is not the wait's.
        BoundedWait().pause(4s);
        const ProcessStats a = ProcessStats::of(agent.pid());
        constexpr double window = 8.0;
        BoundedWait().pause(std::chrono::milliseconds(static_cast<int>(window * 1000)));
        const ProcessStats b = ProcessStats::of(agent.pid());
        if (!a.valid || !b.valid)
            return fail(QStringLiteral("silent wait: the agent ended"));
        add(wakeups, static_cast<double>(b.voluntarySwitches - a.voluntarySwitches) / window);
        add(cpu, static_cast<double>(b.cpuNs - a.cpuNs) / (window * 1e9) * 100.0);
    }
}

void Figures::rest() {
    BenchPlant plant(m_programs.gelmarSim);
    Station station;
    if (!plant.ok() || !station.start())
        return fail(QStringLiteral("rest: set-up"));
    plant.point(QString(), station.port);
    plant.setPosition(plant.addAlarms(1));
    for (int r = 0; r < m_runs; ++r) {
        progress(QStringLiteral("start and rest, run %1").arg(r + 1));
        {
            // The shortest period: the first run starts as soon as the load has finished.
            AgentRun agent(m_programs.agent, plant, 10);
            if (!agent.start())
                return fail(QStringLiteral("rest: the agent did not start"));
            const auto first = agent.waitLabel(QStringLiteral("Actualiza Datos"));
            if (!first)
                return fail(QStringLiteral("rest: no scheduler run"));
            add(firstRun, *first);
        }
        AgentRun agent(m_programs.agent, plant, 500);
        if (!agent.start() || !agent.waitLabel(QStringLiteral("---"), 3))
            return fail(QStringLiteral("rest: no third scheduler run"));
        BoundedWait().pause(200ms);
        add(rssRest, mib(ProcessStats::of(agent.pid()).rssKiB));
    }
}

void Figures::pendingDown() {
    BenchPlant plant(m_programs.gelmarSim);
    if (!plant.ok())
        return fail(QStringLiteral("station down: set-up"));
    plant.point(QString(), closedPort());
    constexpr int pending = 100000;
    const qint64 last = plant.addAlarms(pending);
    for (int r = 0; r < m_runs; ++r) {
        progress(QStringLiteral("100,000 pending, station down, run %1").arg(r + 1));
        plant.setPosition(last - pending);
        AgentRun agent(m_programs.agent, plant, 200, 200);
        if (!agent.start())
            return fail(QStringLiteral("station down: the agent did not start"));
        const auto begin = agent.waitLabel(QStringLiteral("Actualiza Datos"), 3);
        const auto end = agent.waitLabel(QStringLiteral("---"), 3);
        if (!begin || !end || plant.position() != last - pending)
            return fail(QStringLiteral("station down: three runs did not end, or the position moved"));
        const ProcessStats s = ProcessStats::of(agent.pid());
        add(rssDown, mib(s.rssKiB));
        add(peakDown, mib(s.peakRssKiB));
        add(runDown, *end - *begin);
    }
}

void Figures::runCost() {
    for (const auto& [rows, key] :
         {std::pair{1000, run1k}, std::pair{10000, run10k}, std::pair{100000, run100k}}) {
        BenchPlant plant(m_programs.gelmarSim);
        Station station;
        if (!plant.ok() || !station.start())
            return fail(QStringLiteral("run cost: set-up"));
        plant.point(QString(), station.port);
        const qint64 last = plant.addAlarms(rows);
        for (int r = 0; r < m_runs; ++r) {
            progress(QStringLiteral("one run with %1 rows, run %2").arg(rows).arg(r + 1));
            plant.setPosition(last - 10);
            AgentRun agent(m_programs.agent, plant, 200);
            if (!agent.start())
                return fail(QStringLiteral("run cost: the agent did not start"));
            const auto begin = agent.waitLabel(QStringLiteral("Actualiza Datos"));
            const auto end = agent.waitLabel(QStringLiteral("---"));
            if (!begin || !end || plant.position() != last)
                return fail(QStringLiteral("run cost: the 10 new alarms were not forwarded"));
            add(key, *end - *begin);
        }
    }
}

void Figures::fastFailover() {
    BenchPlant plant(m_programs.gelmarSim);
    Station station;
    if (!plant.ok() || !station.start())
        return fail(QStringLiteral("fast failover: set-up"));
    plant.point(QString(), closedPort());
    plant.point(QStringLiteral("A"), station.port);
    plant.config(QStringLiteral("FastFailover"), QStringLiteral("1"));
    const qint64 last = plant.addAlarms(1);
    for (int r = 0; r < m_runs; ++r) {
        progress(QStringLiteral("fast failover, run %1").arg(r + 1));
        plant.setPosition(last - 1);
        // The link's own 20-second waits.
        AgentRun agent(m_programs.agent, plant, 200);
        if (!agent.start())
            return fail(QStringLiteral("fast failover: the agent did not start"));
        const auto begin = agent.waitLabel(QStringLiteral("Busca Alarmas"));
        const auto end = agent.waitLabel(QStringLiteral("Sincroniza reloj"), 1, 90s);
        if (!begin || !end || plant.position() != last)
            return fail(QStringLiteral("fast failover: the alarm was not delivered on secondary A"));
        add(failover, (*end - *begin) / 1000.0);
    }
}

void Figures::transmission() {
    const struct {
        int pollMs, count;
        std::chrono::milliseconds span, minGap, maxGap;
        const QString &mean, &p95;
    } sets[] = {
        // The scheduler alone: at least three minutes of alarms 1 to 7 s apart.
        {0, 1, 180s, 1s, 7s, tickMean, tickP95},
        // The fast path: 200 alarms 0.1 to 1.5 s apart, so they fall anywhere between two looks.
        {1000, 200, 0s, 100ms, 1500ms, pollMean, pollP95},
    };
    for (const auto& set : sets) {
        BenchPlant plant(m_programs.gelmarSim);
        Station station;
        if (!plant.ok() || !station.start())
            return fail(QStringLiteral("transmission: set-up"));
        plant.point(QString(), station.port);
        plant.config(QStringLiteral("AlarmPollMs"), QString::number(set.pollMs));
        plant.setPosition(plant.addAlarms(1));
        progress(
            QStringLiteral("insert to receipt, 30 s tick, AlarmPollMs=%1 (a few minutes)").arg(set.pollMs));
        AgentRun agent(m_programs.agent, plant, 30000);
        if (!agent.start())
            return fail(QStringLiteral("transmission: the agent did not start"));
        // Past the load; the tick's phase is whatever it is, as on a plant.
        BoundedWait().pause(2s);
        const Transmission::Result r = Transmission::measure(
            plant, station, set.count, set.span, set.minGap, set.maxGap, 40s,
            static_cast<quint32>(set.pollMs + 2026), [&] { return ProcessStats::of(agent.pid()).valid; });
        if (!r.error.isEmpty())
            return fail(QStringLiteral("transmission, AlarmPollMs=%1: %2").arg(set.pollMs).arg(r.error));
        add(set.mean, r.mean());
        add(set.p95, r.percentile(95));
        for (const QString& key : {set.mean, set.p95})
            row(key, {}, {}, 0).unit = QStringLiteral("s (%1 alarms)").arg(r.seconds.size());
    }
}

void Figures::pollRest() {
    BenchPlant plant(m_programs.gelmarSim);
    Station station;
    if (!plant.ok() || !station.start())
        return fail(QStringLiteral("rest with the fast path: set-up"));
    plant.point(QString(), station.port);
    plant.setPosition(plant.addAlarms(1));
    for (const int pollMs : {0, 1000}) {
        plant.config(QStringLiteral("AlarmPollMs"), QString::number(pollMs));
        for (int r = 0; r < m_runs; ++r) {
            progress(QStringLiteral("at rest, AlarmPollMs=%1, run %2").arg(pollMs).arg(r + 1));
            AgentRun agent(m_programs.agent, plant, 30000);
            if (!agent.start())
                return fail(QStringLiteral("rest with the fast path: the agent did not start"));
            // From past the start-up's one-shot work (the hide timer and the first status update, 3 s
            // after the load) to before the first scheduler run, 30 s after the start.
            BoundedWait().pause(5s);
            const ProcessStats a = ProcessStats::of(agent.pid());
            constexpr double window = 20.0;
            BoundedWait().pause(std::chrono::milliseconds(static_cast<int>(window * 1000)));
            const ProcessStats b = ProcessStats::of(agent.pid());
            if (!a.valid || !b.valid)
                return fail(QStringLiteral("rest with the fast path: the agent ended"));
            add(pollMs ? restWakeups : restWakeups0,
                static_cast<double>(b.voluntarySwitches - a.voluntarySwitches) / window);
            add(pollMs ? restCpu : restCpu0, static_cast<double>(b.cpuNs - a.cpuNs) / (window * 1e9) * 100.0);
        }
    }
}

void Figures::lookCost() {
    BenchPlant plant(m_programs.gelmarSim);
    if (!plant.ok())
        return fail(QStringLiteral("look: set-up"));
    // The agent's own look, in this process: its connection, its prepared statement, its position file.
    const SystemClock clock;
    const EventLog log(plant.logs(), clock);
    UnattendedDialogs dialogs;
    int rows = 0;
    for (const auto& [total, key] :
         {std::pair{1000, look1k}, std::pair{100000, look100k}, std::pair{1000000, look1M}}) {
        progress(QStringLiteral("one look with %1 rows").arg(total));
        const qint64 last = plant.addAlarms(total - rows);
        rows = total;
        if (last < 0)
            return fail(QStringLiteral("look: ") + plant.error());
        plant.setPosition(last);
        SupervisionDb db(
            SupervisionDb::Settings::fromIni(QDir(plant.program()).filePath(QStringLiteral("vornnet.ini"))),
            [&] { return plant.gelmar(); }, log, dialogs);
        if (!db.ConectaConDB())
            return fail(QStringLiteral("look: the databases did not open"));
        int scans = 0;
        AlarmPoll poll(
            {[&] {
                 return UltCodFile(plant.program(), UltCodFile::Kind::Alarms, BenchPlant::plantName).read();
             },
             [&] { return AlarmPoll::newestId(db); }, [&] { ++scans; }, [] { return false; },
             [] { return false; }});
        constexpr int looks = 2000;
        for (int r = 0; r < m_runs; ++r) {
            QList<double> micros;
            QElapsedTimer t;
            for (int i = 0; i < looks; ++i) {
                t.start();
                poll.look();
                micros.append(static_cast<double>(t.nsecsElapsed()) / 1000.0);
            }
            add(key, median(micros));
        }
        if (scans != 0 || poll.looks() != looks * m_runs)
            return fail(QStringLiteral("look: a look found an alarm that is not there, or did not look"));
    }
}

QString Figures::table() const {
    QString out;
    QTextStream s(&out);
    s << "| Figure | Median | Unit | Runs (min to max) | Goal |\n|---|---:|---|---|---|\n";
    for (const Row& r : m_rows) {
        if (r.samples.isEmpty())
            continue;
        const auto [lo, hi] = std::minmax_element(r.samples.begin(), r.samples.end());
        s << "| " << r.figure << " | " << QString::number(median(r.samples), 'f', r.decimals) << " | "
          << r.unit << " | " << r.samples.size() << " (" << QString::number(*lo, 'f', r.decimals) << " to "
          << QString::number(*hi, 'f', r.decimals) << ") | " << r.goal << " |\n";
    }
    return out;
}
