#include "AgentRun.h"

#include "BenchPlant.h"
#include "ProcessStats.h"
#include "support/Poll.h"

#include <QHash>

AgentRun::AgentRun(QString program, const BenchPlant& plant, int tickMs, std::optional<int> linkWaitMs) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMP"), plant.logs());
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("VORNNET_LINK_WAIT_MS"));
    if (linkWaitMs)
        env.insert(QStringLiteral("VORNNET_LINK_WAIT_MS"), QString::number(*linkWaitMs));
    m_process.setProcessEnvironment(env);
    m_process.setProgram(program);
    QStringList args{QStringLiteral("--unattended"), QStringLiteral("--folder"), plant.program(),
                     QStringLiteral("--tick-ms"), QString::number(tickMs)};
    // The scheduler's step labels on standard output, which the figures are timed by: asked for with
    // --trace by the builds that have it, printed unasked by older ones (measured with --agent).
    if (knowsTrace(program))
        args << QStringLiteral("--trace");
    m_process.setArguments(args);
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { readLabels(); });
    QObject::connect(&m_process, &QProcess::readyReadStandardError,
                     [this] { m_err += m_process.readAllStandardError(); });
}

bool AgentRun::knowsTrace(const QString& program) {
    static QHash<QString, bool> known;
    if (const auto it = known.constFind(program); it != known.cend())
        return *it;
    QProcess help;
    help.start(program, {QStringLiteral("--help")});
    help.waitForFinished(10000);
    const bool knows = help.readAllStandardOutput().contains("--trace");
    known.insert(program, knows);
    return knows;
}

AgentRun::~AgentRun() {
    stop();
}

bool AgentRun::start() {
    m_clock.start();
    m_process.start();
    return m_process.waitForStarted(5000);
}

void AgentRun::readLabels() {
    const double now = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
    const qint64 cpu = ProcessStats::of(m_process.processId()).cpuNs;
    const qint64 watched = m_watched ? ProcessStats::of(m_watched).cpuNs : 0;
    m_pending += m_process.readAllStandardOutput();
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        m_labels.append({QString::fromUtf8(m_pending.left(end)), now, cpu, watched});
        m_pending.remove(0, end + 1);
    }
}

std::optional<double> AgentRun::waitLabel(const QString& text, int n, std::chrono::milliseconds limit) {
    const std::optional<Label> l = label(text, n, limit);
    return l ? std::optional<double>(l->ms) : std::nullopt;
}

std::optional<AgentRun::Label> AgentRun::label(const QString& text, int n, std::chrono::milliseconds limit) {
    std::optional<Label> found;
    pollUntil(
        [&] {
            int seen = 0;
            for (const Label& l : std::as_const(m_labels))
                if (l.text == text && ++seen == n) {
                    found = l;
                    return true;
                }
            return m_process.state() == QProcess::NotRunning;
        },
        limit);
    return found;
}

void AgentRun::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}
