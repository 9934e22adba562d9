#include "forwarding/AlarmScan.h"

#include "core/model/Control.h"
#include "core/model/Dialogs.h"
#include "core/model/Palette.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/BoundedWait.h"
#include "core/runtime/Clock.h"
#include "core/runtime/Diagnostics.h"
#include "core/runtime/EventLog.h"
#include "core/settings/NumberValue.h"
#include "core/state/FutureDatePolicy.h"
#include "core/state/StatusFile.h"
#include "core/state/StatusFlags.h"
#include "forwarding/AlarmPages.h"
#include "forwarding/BufferDb.h"
#include "forwarding/Delivery.h"
#include "forwarding/Exclusions.h"
#include "forwarding/GelmarRestarter.h"
#include "forwarding/LifeTestClock.h"
#include "forwarding/MessageFormat.h"
#include "forwarding/OfficeHours.h"
#include "supervision/SupervisionDb.h"

#include <QScopeGuard>
#include <cmath>
#include <limits>

using Which = SupervisionDb::Which;

struct AlarmScan::Alarm {
    qint64 id = 0;
    qint64 code = 0;
    std::optional<qint64> instrument; // none: the reference is not a number
    QDateTime event;
    QString state;
    QStringList faults; // what could not be read as expected
};

namespace {

// Alarms and buffered notices older than this many days are no longer handed on.
constexpr int windowDays = 7;

// A column that may be missing, NULL or empty.
bool blank(const QVariant& v) {
    return v.isNull() || !v.isValid() || v.toString().trimmed().isEmpty();
}

std::optional<qint64> wholeNumber(const QString& text) {
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

// A column's whole number as the driver gives it: an integer, a whole real, or a text of digits; nullopt
// when it is none of these or does not fit 64 bits (a real beyond them would wrap to the lowest value).
std::optional<qint64> wholeNumber(const QVariant& v) {
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double d = v.toDouble();
        // 2^63 is the first value past the range; every double below it converts exactly.
        constexpr double pastRange = -static_cast<double>(std::numeric_limits<qint64>::min());
        if (!std::isfinite(d) || d != std::trunc(d) || d >= pastRange || d < -pastRange)
            return std::nullopt;
        return static_cast<qint64>(d);
    }
    return wholeNumber(v.toString());
}

} // namespace

AlarmScan::AlarmScan(Parts parts)
    : m_p(std::move(parts)),
      m_errors(QStringLiteral("Busca Alarmas"), m_p.view.txtError, m_p.services.log, lcScan()) {
}

QString AlarmScan::replacedDatabaseText(const QString& plant) {
    return QStringLiteral("Atención posible problema de sustitución de base de datos sin anular el fichero "
                          "'ultcod' de control\nElimine el fichero:\\") +
           UltCodFile::fileName(UltCodFile::Kind::Alarms, plant) +
           QStringLiteral(" para que se vuelva a inicializar.");
}

bool AlarmScan::startupCheck() {
    const QString plant = m_p.txtPlanta.text();
    const UltCodFile alarms(m_p.programFolder, UltCodFile::Kind::Alarms, plant);
    const UltCodFile buffer(m_p.programFolder, UltCodFile::Kind::Buffer, plant);
    alarms.adoptOldFile(m_p.programFolder);
    buffer.adoptOldFile(m_p.programFolder);

    // A position file without a number would stop the scan for good, or, taken for a first start, skip
    // the pending alarms: it is refused here, as a replaced database is.
    std::optional<qint64> stored;
    for (const UltCodFile* file : {&alarms, &buffer}) {
        try {
            const std::optional<qint64> id = file->read();
            if (file == &alarms)
                stored = id;
        } catch (const AgentError& e) {
            m_p.services.dialogs.message(
                Dialogs::Icon::Critical, Dialogs::errorTitle,
                e.description() + QStringLiteral(".\nEscriba en él el id del último enviado, o elimínelo "
                                                 "para que se vuelva a inicializar."));
            return false;
        }
    }
    const QList<QSqlRecord> rows = m_p.db.select(Which::Acquired, m_p.db.sql().maxFlashAlarmId());
    const bool empty = rows.isEmpty() || blank(rows.first().value(0));
    if (!stored)
        m_firstLook = empty ? 0 : wholeNumber(rows.first().value(0)).value_or(0);
    if (empty)
        return true; // an empty table gives nothing to compare
    if (rows.first().value(0).toDouble() < static_cast<double>(stored.value_or(0))) {
        m_p.services.dialogs.message(Dialogs::Icon::Critical, Dialogs::defaultTitle,
                                     replacedDatabaseText(plant));
        return false;
    }
    return true;
}

void AlarmScan::BuscaAlarmas() {
    if (m_running || m_stopped)
        return;
    m_running = true;
    const auto done = qScopeGuard([this] { m_running = false; });
    try {
        cycle();
        m_errors.succeeded();
    } catch (const AgentError& e) {
        // Nothing more is written for the row in progress; the next cycle reads it again.
        if (m_stopped)
            return;
        m_errors.failed(e.description());
        if (e.code() == AgentError::Unspecified) {
            // A lost connection: open both again, as start-up does, and let events run.
            m_p.db.reconnect();
            BoundedWait().pause(std::chrono::milliseconds(10));
        }
    } catch (const std::exception& e) {
        if (!m_stopped)
            m_errors.failed(QString::fromLocal8Bit(e.what()));
    }
}

void AlarmScan::cycle() {
    const QString plant = m_p.txtPlanta.text();
    UltCodFile alarms(m_p.programFolder, UltCodFile::Kind::Alarms, plant);
    const UltCodFile buffer(m_p.programFolder, UltCodFile::Kind::Buffer, plant);

    // Positions are flushed to disk at most once a second while the cycle runs, and for good at its end,
    // however it ends.
    const auto flush = qScopeGuard([&] {
        alarms.sync();
        buffer.sync();
    });

    m_p.delivery.newCycle();
    // A supervision file replaced under the agent is opened again before it is read.
    m_p.db.requireSameFiles();
    const std::optional<qint64> stored = alarms.read();
    m_passedOverText.clear();

    const QDateTime cutoff = m_p.services.clock.now().addDays(-windowDays);
    qint64 last = 0;
    if (stored) {
        last = *stored;
        tellPassedOver(last, cutoff);
    } else {
        last = firstStartPosition(alarms, cutoff);
    }
    AlarmPages rows(m_p.db, last, cutoff, m_pageSize);
    if (!rows.isEmpty())
        requireWritable(alarms, last);

    m_p.lifeTest.lifeTestStep();

    // The next page is read only while the alarms go on being handed on.
    for (bool goOn = true; goOn;) {
        const std::optional<QSqlRecord> row = rows.next();
        goOn = row && processRow(*row, alarms);
    }

    // Read here, after the alarms: a buffer position without a number holds the buffer, not the alarms.
    resendBuffer(buffer, buffer.read().value_or(0));
    // A log that can not be written holds no alarm, but it is not left unseen.
    const EventLog& log = m_p.services.log;
    QStringList shown;
    if (!m_passedOverText.isEmpty())
        shown << m_passedOverText;
    if (!log.failure().isEmpty())
        shown << log.failure() + QStringLiteral(" (%1 líneas sin escribir)").arg(log.unwrittenLines());
    m_p.view.txtError.setText(shown.join(QStringLiteral("; ")));
}

qint64 AlarmScan::firstStartPosition(UltCodFile& position, const QDateTime& cutoff) {
    if (!m_firstLook) {
        const QList<QSqlRecord> newest = m_p.db.select(Which::Acquired, m_p.db.sql().newestFlashAlarmId());
        m_firstLook = newest.isEmpty() ? 0 : wholeNumber(newest.first().value(0)).value_or(0);
    }
    // The alarms already there at first start are history: the position file takes the newest of them
    // within the window, and none is written while there is none.
    std::optional<qint64> newest;
    AlarmPages history(m_p.db, 0, cutoff, m_pageSize);
    while (const std::optional<QSqlRecord> row = history.next()) {
        const qint64 id = row->value(QStringLiteral("Id_flashalarm")).toLongLong();
        if (id > *m_firstLook)
            break;
        newest = id;
    }
    if (newest && !position.write(*newest))
        throw AgentError(AgentError::CommandFailed,
                         QStringLiteral("No se puede escribir ") + position.path());
    return *m_firstLook;
}

namespace {

// "3 (960001-960003)": consecutive ids as ranges, the first few of them.
QString idRanges(const QList<qint64>& ids) {
    constexpr int shownRanges = 20;
    QStringList ranges;
    for (qsizetype i = 0; i < ids.size();) {
        qsizetype j = i;
        while (j + 1 < ids.size() && ids[j + 1] == ids[j] + 1)
            ++j;
        if (ranges.size() == shownRanges) {
            ranges << QStringLiteral("...");
            break;
        }
        ranges << (i == j ? QString::number(ids[i])
                          : QString::number(ids[i]) + QLatin1Char('-') + QString::number(ids[j]));
        i = j + 1;
    }
    return ranges.join(QStringLiteral(", "));
}

} // namespace

void AlarmScan::tellPassedOver(qint64 last, const QDateTime& cutoff) {
    // Pending alarms older than the window are never handed on; that is the rule, but not in silence.
    constexpr int mostRead = 10000;
    const QList<QSqlRecord> rows = m_p.db.select(
        Which::Acquired, m_p.db.sql().alarmsPassedOver(std::max(last, m_passedOverTold), cutoff, mostRead));
    if (rows.isEmpty())
        return;
    QList<qint64> ids;
    for (const QSqlRecord& row : rows)
        ids << row.value(0).toLongLong();
    m_passedOverTold = ids.last();
    const QString count =
        rows.size() == mostRead ? QStringLiteral("%1 o más").arg(mostRead) : QString::number(ids.size());
    m_passedOverText = QStringLiteral("Alarmas no enviadas por ser anteriores a %1 días: %2 (%3)")
                           .arg(windowDays)
                           .arg(count, idRanges(ids));
    qCWarning(lcScan).noquote() << m_passedOverText;
    m_p.services.log.write(m_passedOverText);
}

void AlarmScan::requireWritable(const UltCodFile& position, qint64 id) const {
    // Before anything is handed on the position must be able to move past it; otherwise the same message
    // would go again at every tick (a read-only or full program folder).
    if (!position.write(id))
        throw AgentError(AgentError::CommandFailed,
                         QStringLiteral("No se puede escribir ") + position.path());
}

AlarmScan::Alarm AlarmScan::readRow(const QSqlRecord& row) {
    Alarm a;
    a.id = row.value(QStringLiteral("Id_flashalarm")).toLongLong();

    const QVariant code = row.value(QStringLiteral("Alarmcode"));
    const std::optional<qint64> codeNumber = blank(code) ? std::nullopt : wholeNumber(code);
    a.code = codeNumber.value_or(0);
    if (!codeNumber)
        a.faults << (blank(code)
                         ? QStringLiteral("sin código")
                         : QStringLiteral("código '%1' no numérico o fuera de 64 bits").arg(code.toString()));

    QString reference = row.value(QStringLiteral("Ref_virtinstrumentid")).toString();
    reference.remove(QLatin1Char('|'));
    a.instrument = wholeNumber(reference);
    if (!a.instrument)
        a.faults << QStringLiteral("instrumento '%1' no numérico").arg(reference);

    const QVariant time = row.value(QStringLiteral("TimeStamp"));
    a.event = SupervisionSql::toDateTime(time);
    if (!a.event.isValid()) {
        a.event = m_p.services.clock.now();
        a.faults << (blank(time) ? QStringLiteral("sin hora")
                                 : QStringLiteral("hora '%1' no válida").arg(time.toString()));
    }

    const QVariant state = row.value(QStringLiteral("AlarmState"));
    const QString stateText = state.toString().trimmed();
    const bool on = stateText.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
                    (!stateText.isEmpty() && NumberValue::of(stateText) != 0);
    a.state = on ? QStringLiteral("1") : QStringLiteral("0");
    return a;
}

QString AlarmScan::alarmText(const std::optional<qint64>& instrument, qint64 code) {
    if (!instrument)
        return unknownAlarm;
    const QList<QSqlRecord> rows =
        m_p.db.lookup(Which::Config, m_p.db.sql().virtualResource(*instrument, code));
    if (rows.isEmpty())
        return unknownAlarm;
    QString name = rows.first().value(QStringLiteral("Name")).toString();
    name.remove(QLatin1Char('|'));
    // A resource without a name says no more than one that is missing.
    return name.trimmed().isEmpty() ? unknownAlarm : name;
}

QString AlarmScan::deviceName(const std::optional<qint64>& instrument) {
    if (!instrument)
        return unknownDevice;
    const QList<QSqlRecord> rows = m_p.db.lookup(Which::Config, m_p.db.sql().virtualInstrument(*instrument));
    if (rows.isEmpty())
        return unknownDevice;
    return rows.first().value(QStringLiteral("Name")).toString();
}

void AlarmScan::futureDateGuard(QDateTime& event) {
    const QDateTime now = m_p.services.clock.now();
    if (!FutureDatePolicy::isFuture(event, now))
        return;
    m_p.view.lblLastDate.setBackground(Palette::lightRed);
    if (m_p.flags.time) {
        m_p.buffer.PonEnBuffer(QStringLiteral("SISTEMA"), futureNotice, QStringLiteral("1"), now);
        m_p.flags.time = false;
        m_p.status.set(StatusFile::Flag::time, false);
        if (m_p.restarter)
            m_p.restarter->ReiniciaGelmar();
    }
    event = now;
}

bool AlarmScan::processRow(const QSqlRecord& row, UltCodFile& position) {
    Alarm a = readRow(row);
    if (!a.faults.isEmpty())
        m_p.services.log.write(
            QStringLiteral("Alarma %1 con datos no válidos (%2): se envía como desconocida")
                .arg(a.id)
                .arg(a.faults.join(QStringLiteral(", "))));

    const QString text = a.faults.isEmpty() ? alarmText(a.instrument, a.code) : unknownAlarm;
    futureDateGuard(a.event);
    const QString device = a.faults.isEmpty() ? deviceName(a.instrument) : unknownDevice;

    if (!m_p.exclusions.HayQueEnviar(device, text))
        return true;

    const QString plant = m_p.txtPlanta.text();
    const QString message = MessageFormat::liveAlarm(plant, a.code, a.state, text, device, a.event);

    QString notice; // built only if the alarm goes by SMS
    const Delivery::Handed handed = m_p.delivery.handOn(
        message, [&] { return notice = MessageFormat::smsNotice(plant, device, a.state, text, a.event); },
        position, a.id);
    if (handed == Delivery::Handed::No)
        return false;
    if (handed == Delivery::Handed::BySms && OfficeHours::outside(a.event))
        m_p.delivery.toAuxiliaries(message, notice);
    return true;
}

void AlarmScan::resendBuffer(const UltCodFile& file, qint64 position) {
    // Notices that could not be stored when they were made go first, so the resend sees them in order.
    m_p.buffer.storeHeld();
    const QDateTime cutoff = m_p.services.clock.now().addDays(-windowDays);
    // A page at a time, in id order; the next page is read only once this one has all gone.
    for (qint64 after = position;;) {
        const QList<BufferRow> rows = m_p.buffer.rowsAfter(after, cutoff, m_pageSize);
        if (after == position && !rows.isEmpty())
            requireWritable(file, position);
        for (const BufferRow& row : rows) {
            after = row.id;
            if (!resendRow(row, file))
                return;
        }
        if (rows.size() < m_pageSize)
            return;
    }
}

bool AlarmScan::resendRow(const BufferRow& row, const UltCodFile& file) {
    const QString plant = m_p.txtPlanta.text();
    QString state = QStringLiteral("1");
    if (const auto n = wholeNumber(row.beginend); n && *n == 0)
        state = QStringLiteral("0");
    else if (!n)
        // Our own notices hold "0" or "1"; anything else must not block the buffer for good.
        m_p.services.log.write(
            QStringLiteral("Aviso %1 del buffer con inicio/fin '%2' no válido: se envía como inicio")
                .arg(row.id)
                .arg(row.beginend));

    if (!m_p.exclusions.HayQueEnviar(row.device, row.alarm))
        return true;

    const QString message = MessageFormat::bufferedMessage(plant, state, row.alarm, row.device, row.date);
    const auto notice = [&] {
        return MessageFormat::smsNotice(plant, row.device, state, row.alarm, row.date,
                                        MessageFormat::SmsKind::Buffered);
    };
    // Auxiliary recipients are not used for the agent's own notices.
    return m_p.delivery.handOn(message, notice, file, row.id) != Delivery::Handed::No;
}
