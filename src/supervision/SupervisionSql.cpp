#include "supervision/SupervisionSql.h"

#include "core/text/LocalDateTime.h"

#include <QStringList>

#include <array>
#include <string_view>

namespace {

const QString tsqlDate = QStringLiteral("yyyyMMdd HH:mm:ss");
const QString sqliteDate = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString num(qint64 v) {
    return QString::number(v);
}

} // namespace

QString SupervisionSql::dateText(const QDateTime& when) const {
    return when.toString(m_engine == DbEngine::Odbc ? tsqlDate : sqliteDate);
}

namespace {

// The one layout of the engine's text dates: 'd' is a digit, any other character stands for itself and
// ends a field (year, month, day, hour, minute, second).
constexpr std::u16string_view sqliteLayout = u"dddd-dd-dd dd:dd:dd";
constexpr std::size_t sqliteFieldCount = 6;

// "yyyy-MM-dd HH:mm:ss" exactly, or invalid.
QDateTime fromSqliteText(QStringView t) {
    if (t.size() != static_cast<qsizetype>(sqliteLayout.size()))
        return {};
    std::array<int, sqliteFieldCount> fields{};
    std::size_t f = 0;
    for (std::size_t i = 0; i < sqliteLayout.size(); ++i) {
        const char16_t c = t[static_cast<qsizetype>(i)].unicode();
        if (sqliteLayout[i] != u'd') {
            if (c != sqliteLayout[i])
                return {};
            ++f;
        } else if (c < u'0' || c > u'9') {
            return {};
        } else {
            fields[f] = fields[f] * 10 + (c - u'0');
        }
    }
    const QDate date(fields[0], fields[1], fields[2]);
    const QTime time(fields[3], fields[4], fields[5]);
    if (!date.isValid() || !time.isValid())
        return {};
    return LocalDateTime::resolve(date, time);
}

} // namespace

QDateTime SupervisionSql::toDateTime(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QDateTime) {
        const QDateTime t = value.toDateTime();
        return t.timeSpec() == Qt::LocalTime ? LocalDateTime::resolve(t.date(), t.time()) : t;
    }
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate().startOfDay();
    const QString text = value.toString().trimmed();
    // The stand-in's own form, read field by field: the general parser costs more than the rest of an
    // alarm's reading.
    if (const QDateTime t = fromSqliteText(text); t.isValid())
        return t;
    for (const QString& format : {sqliteDate, QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
                                  QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"), QStringLiteral("yyyy-MM-dd")}) {
        const QDateTime t = QDateTime::fromString(text, format);
        if (t.isValid())
            return LocalDateTime::resolve(t.date(), t.time());
    }
    return {};
}

QString SupervisionSql::plantName() const {
    return pick(QStringLiteral("select * from GenericSettings where Name='PlantName'"),
                QStringLiteral("SELECT * FROM GenericSettings WHERE Name = 'PlantName' COLLATE NOCASE"));
}

QString SupervisionSql::dbVersion() const {
    return pick(QStringLiteral("SELECT * FROM GenericSettings where name='DB_VERSION'"),
                QStringLiteral("SELECT * FROM GenericSettings WHERE Name = 'DB_VERSION' COLLATE NOCASE"));
}

QString SupervisionSql::maxFlashAlarmId() const {
    return pick(QStringLiteral("SELECT max(id_flashalarm) FROM FlashAlarms"),
                QStringLiteral("SELECT max(Id_flashalarm) FROM FlashAlarms"));
}

QString SupervisionSql::newestFlashAlarmId() const {
    // One seek to the end of the primary key, whatever the table's size; the same text every time, so it
    // stays prepared.
    return pick(QStringLiteral("SELECT TOP 1 Id_flashalarm FROM FlashAlarms ORDER BY Id_flashalarm DESC"),
                QStringLiteral("SELECT Id_flashalarm FROM FlashAlarms ORDER BY Id_flashalarm DESC LIMIT 1"));
}

QString SupervisionSql::alarmsAfter(qint64 lastId, const QDateTime& cutoff, int limit) const {
    // Ordered by id in both dialects: the scan takes the last row as the newest, and a server returning
    // another order would move the position past alarms not yet sent. A limit reads them a page at a time.
    if (m_engine == DbEngine::Odbc)
        return QStringLiteral("SELECT ") +
               (limit > 0 ? QStringLiteral("TOP ") + num(limit) + QLatin1Char(' ') : QString()) +
               QStringLiteral("* FROM FlashAlarms WHERE Id_flashalarm > ") + num(lastId) +
               QStringLiteral(" and timestamp > '") + dateText(cutoff) +
               QStringLiteral("' ORDER BY Id_flashalarm");
    return QStringLiteral("SELECT * FROM FlashAlarms WHERE Id_flashalarm > ") + num(lastId) +
           QStringLiteral(" AND TimeStamp > '") + dateText(cutoff) +
           QStringLiteral("' ORDER BY Id_flashalarm") +
           (limit > 0 ? QStringLiteral(" LIMIT ") + num(limit) : QString());
}

QString SupervisionSql::alarmsPassedOver(qint64 lastId, const QDateTime& cutoff, int limit) const {
    if (m_engine == DbEngine::Odbc)
        return QStringLiteral("SELECT TOP ") + num(limit) +
               QStringLiteral(" Id_flashalarm FROM FlashAlarms WHERE Id_flashalarm > ") + num(lastId) +
               QStringLiteral(" and timestamp <= '") + dateText(cutoff) +
               QStringLiteral("' ORDER BY Id_flashalarm");
    return QStringLiteral("SELECT Id_flashalarm FROM FlashAlarms WHERE Id_flashalarm > ") + num(lastId) +
           QStringLiteral(" AND TimeStamp <= '") + dateText(cutoff) +
           QStringLiteral("' ORDER BY Id_flashalarm LIMIT ") + num(limit);
}

QString SupervisionSql::virtualResource(qint64 instrument, qint64 alarmCode) const {
    if (m_engine == DbEngine::Odbc)
        return QStringLiteral("select * from VirtualResources where Ref_IDVirtualInstr='") + num(instrument) +
               QStringLiteral("' and EventAlarmCode = ") + num(alarmCode);
    return QStringLiteral("SELECT * FROM VirtualResources WHERE Ref_IDVirtualInstr = ") + num(instrument) +
           QStringLiteral(" AND EventAlarmCode = ") + num(alarmCode);
}

QString SupervisionSql::virtualInstrument(qint64 instrument) const {
    if (m_engine == DbEngine::Odbc)
        return QStringLiteral("SELECT * FROM VirtualInstruments WHERE ID_virtualinstrument = ") +
               num(instrument);
    return QStringLiteral("SELECT * FROM VirtualInstruments WHERE ID_virtualinstrument = ") +
           num(instrument) + QStringLiteral(" LIMIT 1");
}

QString SupervisionSql::newestHistoryTimestamp() const {
    return pick(QStringLiteral("SELECT timestamp From HistoricalData WHERE  ID_histreg = "
                               "IDENT_CURRENT('historicaldata')"),
                QStringLiteral("SELECT Timestamp FROM HistoricalData WHERE ID_histreg = "
                               "(SELECT seq FROM sqlite_sequence WHERE name = 'HistoricalData')"));
}

QString SupervisionSql::historyAfter(const QDateTime& limit) const {
    if (m_engine == DbEngine::Odbc)
        return QStringLiteral("SELECT * FROM HistoricalData where Timestamp > '") + dateText(limit) +
               QStringLiteral("'");
    return QStringLiteral("SELECT * FROM HistoricalData WHERE Timestamp > '") + dateText(limit) +
           QStringLiteral("'");
}

QString SupervisionSql::alarmsSince(const QDateTime& since) const {
    if (m_engine == DbEngine::Odbc)
        return QStringLiteral("SELECT * FROM FlashAlarms WHERE timestamp > '") + dateText(since) +
               QStringLiteral("'");
    return QStringLiteral("SELECT * FROM FlashAlarms WHERE TimeStamp > '") + dateText(since) +
           QStringLiteral("'");
}

QString SupervisionSql::dropHistoryIndex() const {
    return pick(QStringLiteral("drop index [HistoricalData].[IX_HistoricalData]"),
                QStringLiteral("DROP INDEX IX_HistoricalData"));
}

QString SupervisionSql::createHistoryIndex() const {
    return pick(QStringLiteral("CREATE NONCLUSTERED INDEX [IX_HistoricalData] ON [dbo].[HistoricalData] "
                               "([Timestamp])"),
                QStringLiteral("CREATE INDEX IX_HistoricalData ON HistoricalData (Timestamp)"));
}

QString SupervisionSql::setSingleUser() const {
    return pick(QStringLiteral("alter database _AcquiredDB_x set SINGLE_USER with ROLLBACK IMMEDIATE"),
                QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
}

QString SupervisionSql::setMultiUser() const {
    return pick(QStringLiteral("alter database _AcquiredDB_x set MULTI_USER"),
                QStringLiteral("PRAGMA locking_mode = NORMAL"));
}

QString SupervisionSql::checkAcquiredDb() const {
    return pick(QStringLiteral("dbcc checkdb ('_AcquiredDB_x',REPAIR_ALLOW_DATA_LOSS)"),
                QStringLiteral("PRAGMA integrity_check"));
}

QString SupervisionSql::deleteTemporaryData() const {
    return pick(QStringLiteral("delete from TemporaryData"), QStringLiteral("DELETE FROM TemporaryData"));
}

QString SupervisionSql::repairTemporaryData() const {
    return pick(QStringLiteral("DBCC CHECKTABLE ('TemporaryData', REPAIR_REBUILD)"),
                QStringLiteral("REINDEX TemporaryData"));
}

QString SupervisionSql::repairHistoricalData() const {
    return pick(QStringLiteral("DBCC CHECKTABLE ('HistoricalData', REPAIR_REBUILD)"),
                QStringLiteral("REINDEX HistoricalData"));
}

QString SupervisionSql::shrinkAcquiredDb() const {
    return pick(QStringLiteral("dbcc shrinkdatabase (_acquiredDB_x, truncateonly )"),
                QStringLiteral("VACUUM"));
}

QString SupervisionSql::shrinkConfigDb() const {
    return pick(QStringLiteral("dbcc shrinkdatabase (_configDB_x, truncateonly )"), QStringLiteral("VACUUM"));
}

QList<SupervisionSql::Table> SupervisionSql::readSchema() {
    // What the statements above select from, and the columns the steps read out of their rows.
    return {
        {"FlashAlarms",
         false,
         {QStringLiteral("Id_flashalarm"), QStringLiteral("Alarmcode"),
          QStringLiteral("Ref_virtinstrumentid"), QStringLiteral("TimeStamp"), QStringLiteral("AlarmState")}},
        {"HistoricalData", false, {QStringLiteral("ID_histreg"), QStringLiteral("Timestamp")}},
        {"GenericSettings", true, {QStringLiteral("Name"), QStringLiteral("SetValue")}},
        {"VirtualResources",
         true,
         {QStringLiteral("Ref_IDVirtualInstr"), QStringLiteral("EventAlarmCode"), QStringLiteral("Name")}},
        {"VirtualInstruments", true, {QStringLiteral("ID_virtualinstrument"), QStringLiteral("Name")}},
    };
}

QString SupervisionSql::probe(const Table& table) {
    // Both dialects: no TOP or LIMIT needed, as the condition is never true.
    return QStringLiteral("SELECT ") + table.columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") +
           QString::fromLatin1(table.name) + QStringLiteral(" WHERE 1 = 0");
}
