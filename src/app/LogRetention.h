#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Key LogMonths of CONFIG: how many monthly logs are kept, the current month included (the event log
// VORNNET-<mmm-yy>.log in the log folder and the modem log modem-<mmm-yy>.log in the program folder).
// Empty, 0 or not a number: all are kept. Older ones are deleted at start and once a day after.
class LogRetention {
public:
    // The months kept by a key's text; 0 keeps every month.
    static int monthsOf(const QString& text);
    // The month (its first day) of a monthly log's name with that prefix ("VORNNET-", "modem-"); invalid
    // for any other name.
    static QDate monthOfName(const QString& fileName, const QString& prefix);
    // Deletes the logs in the folder older than the months kept, counting back from today; the names deleted.
    static QStringList prune(const QString& folder, const QString& prefix, const QDate& today, int months);

    // Both kinds of log, at most once per day.
    void run(const QString& iniPath, const QString& logFolder, const QString& programFolder,
             const QDate& today);

private:
    QDate m_lastRun;
};
