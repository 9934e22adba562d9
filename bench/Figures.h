#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Every figure of the bench, each measured on real processes (the agent binary, a gelmar-sim installation,
// quarn-center) as many times as asked; the table shows the median of the runs and their spread.
class Figures {
public:
    struct Programs {
        QString agent;
        QString gelmarSim;
    };

    Figures(Programs programs, int runs);

    void backlog();      // floor, agent, ratio, RSS after 1,000, and with a 200-entry exclusion list
    void silentWait();   // wake-ups and CPU while a delivery waits for an echo that never comes
    void rest();         // start to first scheduler run, RSS at rest
    void pendingDown();  // 100,000 pending and the station down: RSS and one run's length
    void runCost();      // one run with 1k, 10k, 100k rows and 10 new
    void fastFailover(); // FastFailover=1, primary refusing, delivered on secondary A
    void transmission(); // insert to receipt: 30 s tick alone, then AlarmPollMs=1000
    void pollRest();     // wake-ups and CPU at rest, AlarmPollMs=0 and 1000
    void lookCost();     // one look of the fast alarm path with 1k, 100k, 1M rows
    void tlsBacklog();   // the backlog over TLS (stunnel4, pinned certificate) beside the plain link

    // The table, Markdown.
    QString table() const;
    bool failed() const { return !m_failures.isEmpty(); }
    const QStringList& failures() const { return m_failures; }

private:
    struct Row {
        QString figure;
        QString unit;
        QString goal;
        int decimals;
        QList<double> samples;
    };
    Row& row(const QString& figure, const QString& unit, const QString& goal, int decimals);
    void add(const QString& figure, double value);
    void fail(const QString& why);

    Programs m_programs;
    int m_runs;
    QList<Row> m_rows;
    QStringList m_failures;
};
