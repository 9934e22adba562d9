#include "forwarding/AlarmPages.h"

#include "supervision/SupervisionDb.h"

namespace {

const QString idColumn = QStringLiteral("Id_flashalarm");

} // namespace

AlarmPages::AlarmPages(SupervisionDb& db, qint64 after, QDateTime cutoff, int pageSize)
    : m_db(db), m_cursor(after), m_cutoff(std::move(cutoff)), m_pageSize(pageSize) {
    const QList<QSqlRecord> newest =
        m_db.select(SupervisionDb::Which::Acquired, m_db.sql().maxFlashAlarmId());
    if (!newest.isEmpty() && !newest.first().value(0).isNull())
        m_newest = newest.first().value(0).toLongLong();
    if (!m_newest)
        m_lastPage = true;
    else
        fetch();
}

void AlarmPages::fetch() {
    m_page =
        m_db.select(SupervisionDb::Which::Acquired, m_db.sql().alarmsAfter(m_cursor, m_cutoff, m_pageSize));
    m_next = 0;
    ++m_pagesRead;
    if (m_page.size() < m_pageSize)
        m_lastPage = true;
    if (!m_page.isEmpty())
        m_cursor = m_page.last().value(idColumn).toLongLong();
}

std::optional<QSqlRecord> AlarmPages::next() {
    if (!m_newest)
        return std::nullopt; // the table was empty
    const qint64 newest = *m_newest;
    if (m_next >= m_page.size()) {
        // Nothing is left to read once the newest alarm of the cycle has been read.
        if (m_lastPage || m_cursor >= newest)
            return std::nullopt;
        fetch();
        if (m_page.isEmpty())
            return std::nullopt;
    }
    const QSqlRecord& row = m_page[m_next++];
    if (row.value(idColumn).toLongLong() > newest) {
        m_page.clear();
        m_next = 0;
        m_lastPage = true;
        return std::nullopt;
    }
    return row;
}
