#pragma once

#include "core/AgentServices.h"
#include "forwarding/AlarmPages.h"
#include "forwarding/ErrorReport.h"
#include "forwarding/UltCodFile.h"

#include <QDateTime>
#include <QSqlRecord>
#include <QString>
#include <optional>

class BufferDb;
class Delivery;
class Control;
class Exclusions;
class GelmarRestarter;
class LifeTestClock;
class StatusFile;
class SupervisionDb;
struct StatusFlags;
struct BufferRow;

// BuscaAlarmas: every alarm the supervision system recorded since the last one handed on goes to the
// central station (or by SMS while SMS mode is on), in id order, and the position file moves past it
// only once it has gone. An alarm that could not go stays in the supervision database and is read again
// by the next cycle. Each cycle also sends the life test first and resends the buffer's notices last.
class AlarmScan {
public:
    struct View {
        Control& txtError;
        Control& lblLastDate; // marked when an alarm is dated ahead
    };
    struct Parts {
        QString programFolder;
        View view;
        const Control& txtPlanta; // the plant's name, the first field of every message
        StatusFlags& flags;       // time, the future-date condition
        const StatusFile& status;
        AgentServices services;
        SupervisionDb& db;
        BufferDb& buffer;
        Delivery& delivery;
        LifeTestClock& lifeTest;
        const Exclusions& exclusions;
        GelmarRestarter* restarter = nullptr; // none: no restart is made
    };

    static inline const QString unknownAlarm = QStringLiteral("Alarma desconocida");
    static inline const QString unknownDevice = QStringLiteral("Desconocido");
    static inline const QString futureNotice =
        QStringLiteral("Registrando con fecha futura. Autoreiniciando...");

    explicit AlarmScan(Parts parts);

    void setRestarter(GelmarRestarter* restarter) { m_p.restarter = restarter; }

    // One cycle. A call while a cycle is already running (a manual refresh during a delivery wait) is
    // ignored, so two cycles never interleave and send the same alarms twice.
    void BuscaAlarmas();
    bool running() const { return m_running; }
    // The program is ending: no cycle starts, and one in progress does not open the databases again.
    void stop() { m_stopped = true; }

    // Start-up bookkeeping, once, after the databases are open: old-style position files move to the
    // per-plant names, then the position is checked against the newest alarm id. False when the database
    // was replaced under a kept position, or a position file holds no number: the user has been told, and
    // the program must end.
    bool startupCheck();

    // The box text of a replaced database.
    static QString replacedDatabaseText(const QString& plant);

    // Rows read at a time, from the supervision database and from the buffer.
    void setPageSize(int rows) { m_pageSize = rows; }

private:
    struct Alarm; // one FlashAlarms row as the scan reads it

    void cycle();
    qint64 firstStartPosition(UltCodFile& position, const QDateTime& cutoff);
    void tellPassedOver(qint64 last, const QDateTime& cutoff);
    bool processRow(const QSqlRecord& row, UltCodFile& position); // false: stop the loop
    Alarm readRow(const QSqlRecord& row);
    QString alarmText(const std::optional<qint64>& instrument, qint64 code);
    QString deviceName(const std::optional<qint64>& instrument);
    void futureDateGuard(QDateTime& event);
    void resendBuffer(const UltCodFile& file, qint64 position);
    bool resendRow(const BufferRow& row, const UltCodFile& file);      // false: stop the resend
    void requireWritable(const UltCodFile& position, qint64 id) const; // throws AgentError

    Parts m_p;
    ErrorReport m_errors; // txtError, the event log and vornnet.scan
    int m_pageSize = AlarmPages::defaultPageSize;
    bool m_running = false;
    bool m_stopped = false;
    // On a first start, the table's newest id (0 when empty) at the first look: only the alarms present
    // then are passed over, so one recorded later is forwarded even before any position was written.
    std::optional<qint64> m_firstLook;
    qint64 m_passedOverTold = 0; // the highest id already told as passed over by the window
    QString m_passedOverText;    // shown in txtError by the cycle that told it
};
