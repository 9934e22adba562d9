#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <chrono>
#include <optional>

class BenchPlant;

// The agent binary run unattended on a bench plant. Every scheduler label it prints is stamped the moment
// it arrives, so a step's length is read from the labels around it without looking at the agent otherwise.
class AgentRun {
public:
    struct Label {
        QString text;
        double ms;           // since start()
        qint64 cpuNs;        // the agent's CPU time by then
        qint64 watchedCpuNs; // the watched process's (see watch())
    };

    AgentRun(QString program, const BenchPlant& plant, int tickMs,
             std::optional<int> linkWaitMs = std::nullopt);
    ~AgentRun();

    bool start();
    // Another process whose CPU time is stamped on each label too (the station).
    void watch(qint64 pid) { m_watched = pid; }
    // The n-th (from 1) label with this text; waits for it.
    std::optional<Label> label(const QString& text, int n = 1,
                               std::chrono::milliseconds limit = std::chrono::seconds(120));
    // Its stamp only.
    std::optional<double> waitLabel(const QString& text, int n = 1,
                                    std::chrono::milliseconds limit = std::chrono::seconds(120));
    qint64 pid() const { return m_process.processId(); }
    const QByteArray& err() const { return m_err; }
    void stop();

private:
    static bool knowsTrace(const QString& program);
    void readLabels();

    QProcess m_process;
    QElapsedTimer m_clock;
    QByteArray m_pending;
    QByteArray m_err;
    QList<Label> m_labels;
    qint64 m_watched = 0;
};
