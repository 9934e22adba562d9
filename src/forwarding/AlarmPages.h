#pragma once

#include <QDateTime>
#include <QList>
#include <QSqlRecord>
#include <optional>

class SupervisionDb;

// The new alarms of one cycle, read a page at a time in id order: above the position, newer than the
// cut-off, and no newer than the newest alarm when the cycle began (one recorded during the cycle waits
// for the next, as when a cycle read them all at once). Only one page is held, so a backlog of any size
// costs the memory of a page, and a cycle that stops at its first alarm reads no more than the first.
class AlarmPages {
public:
    static constexpr int defaultPageSize = 500;

    // Reads the newest id and the first page; throws AgentError.
    AlarmPages(SupervisionDb& db, qint64 after, QDateTime cutoff, int pageSize = defaultPageSize);

    // The next row, or none once the cycle's alarms are all read; reads the next page when one is due.
    // Throws AgentError.
    std::optional<QSqlRecord> next();

    // Before the first next(): true when the first page holds no row.
    bool isEmpty() const { return m_page.isEmpty(); }
    int pagesRead() const { return m_pagesRead; }

private:
    void fetch();

    SupervisionDb& m_db;
    qint64 m_cursor; // id of the last row read
    QDateTime m_cutoff;
    int m_pageSize;
    std::optional<qint64> m_newest; // none: the table was empty
    QList<QSqlRecord> m_page;
    qsizetype m_next = 0;
    bool m_lastPage = false;
    int m_pagesRead = 0;
};
