#include "forwarding/AlarmPoll.h"

#include "core/model/Control.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/Diagnostics.h"
#include "supervision/SupervisionDb.h"

#include <QScopeGuard>
#include <QSqlRecord>

AlarmPoll::AlarmPoll(Parts parts, QObject* parent) : QObject(parent), m_p(std::move(parts)) {
    // A coarse timer lets the kernel fold the look into other wake-ups; a few percent early or late
    // does not matter at this scale.
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &AlarmPoll::look);
}

std::optional<qint64> AlarmPoll::newestId(SupervisionDb& db) {
    const QList<QSqlRecord> rows = db.lookup(SupervisionDb::Which::Acquired, db.sql().newestFlashAlarmId());
    if (rows.isEmpty() || rows.first().value(0).isNull())
        return std::nullopt;
    bool ok = false;
    const qint64 id = rows.first().value(0).toLongLong(&ok);
    if (!ok)
        throw AgentError(AgentError::Conversion,
                         QStringLiteral("id de alarma no numérico: ") + rows.first().value(0).toString());
    return id;
}

QString AlarmPoll::indicatorText(std::chrono::milliseconds period) {
    return QStringLiteral("Alarmas al instante: cada %1 ms").arg(period.count());
}

void AlarmPoll::start(std::chrono::milliseconds period) {
    const bool on = period.count() > 0 && !m_stopped;
    if (m_p.indicator) {
        m_p.indicator->setText(on ? indicatorText(period) : QString());
        m_p.indicator->setVisible(on);
    }
    if (!on)
        return;
    m_timer.setInterval(static_cast<int>(period.count()));
    m_timer.start();
}

void AlarmPoll::stop() {
    m_stopped = true;
    m_timer.stop();
}

void AlarmPoll::look() {
    // A scan lets events run while it waits on the station: a tick then must not start another look.
    if (m_stopped || m_inLook || m_holds > 0 || (m_p.busy && m_p.busy()) || (m_p.outage && m_p.outage()))
        return;
    m_inLook = true;
    const auto done = qScopeGuard([this] { m_inLook = false; });
    ++m_looks;
    if (!newAlarm())
        return;
    ++m_scans;
    // The scan handles its own failures; a slip in it must not leave the timer's callback.
    Diagnostics::handled("búsqueda rápida de alarmas", m_p.scan);
    emit scanned();
}

bool AlarmPoll::newAlarm() {
    try {
        const std::optional<qint64> position = m_p.position();
        // Before the first start has set a position, the scheduler's run decides what is history.
        if (!position)
            return false;
        const std::optional<qint64> newest = m_p.newestId();
        if (!m_lastError.isEmpty()) {
            qCInfo(lcScan).noquote() << QStringLiteral("búsqueda rápida de alarmas: vuelve a mirar");
            m_lastError.clear();
        }
        if (!newest || *newest <= std::max(*position, m_scannedUpTo))
            return false;
        m_scannedUpTo = *newest;
        return true;
    } catch (const std::exception& e) {
        // The scheduler's runs still scan and report their own errors in the window; this says why
        // the looks between them found nothing, once.
        const QString why = QString::fromUtf8(e.what());
        if (why != m_lastError)
            qCWarning(lcScan).noquote()
                << QStringLiteral("búsqueda rápida de alarmas: fallo al mirar: ") + why;
        m_lastError = why;
        return false;
    }
}
