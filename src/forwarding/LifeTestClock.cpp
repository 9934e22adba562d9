#include "forwarding/LifeTestClock.h"

#include "core/model/Control.h"
#include "core/runtime/Clock.h"
#include "core/runtime/EventLog.h"
#include "core/settings/ConfigRules.h"
#include "core/settings/NumberValue.h"
#include "core/state/DeliveryState.h"
#include "core/state/RecentCounts.h"
#include "core/text/AgentLocale.h"
#include "forwarding/MessageFormat.h"
#include "forwarding/MessageSender.h"

#include <cmath>

namespace {

const QString synchroDateFormat = QStringLiteral("yyyy/MM/dd");
constexpr qint64 dayMs = 24LL * 3600 * 1000;

constexpr double secondsPerHour = 3600.0;

qint64 hoursToMsecs(double hours) {
    return std::llround(hours * secondsPerHour * 1000.0);
}

} // namespace

LifeTestClock::LifeTestClock(View view, const Control& txtPlanta, const Clock& clock, const EventLog& log,
                             MessageSender& sender, DeliveryState& delivery)
    : m_view(view), m_txtPlanta(txtPlanta), m_clock(clock), m_log(log), m_sender(sender),
      m_delivery(delivery) {
}

void LifeTestClock::setUltimoLifeTest(const QDateTime& when) {
    m_ultimoLifeTest = when;
    if (when == zeroDate())
        m_lifeTestMs.reset();
    else
        m_lifeTestMs = m_clock.monotonicMs() - when.msecsTo(m_clock.now());
}

void LifeTestClock::lifeTestStep() {
    Control& interval = m_view.lblTestVida;
    const double hours = ConfigRules::lifeTestHours(interval.text());
    if (hours != NumberValue::of(interval.text()))
        interval.setText(NumberValue::text(hours));

    // On the monotonic clock: a clock stepped back must not hold the life test back, nor one stepped
    // forward send it early.
    const bool due = !m_lifeTestMs || m_clock.monotonicMs() - *m_lifeTestMs > hoursToMsecs(hours);
    const bool alive = m_view.counts.records > 0 && (m_view.counts.alarms > 0 || !m_view.chkAlarms.checked());
    if (!due || !alive)
        return;

    const QString message = MessageFormat::lifeTest(m_txtPlanta.text(), m_clock.now());
    if (m_sender.EnviaConReserva(message)) {
        m_ultimoLifeTest = m_clock.now();
        m_lifeTestMs = m_clock.monotonicMs();
        m_log.delivery(message);
        m_view.lblFechaLifeTest.setText(AgentLocale::dateTimeText(m_ultimoLifeTest));
        m_delivery.delivered();
    } else {
        // Left as it was, so the next cycle tries again; an outage is measured by alarms, not by this.
        m_log.lifeTestFailure(message);
    }
}

void LifeTestClock::SubSynchro() {
    const QString last = m_view.lblFechaSynchro.text();
    const QDate today = m_clock.now().date();
    if (!last.isEmpty() && today.toString(synchroDateFormat) == last)
        return;
    // A calendar date that went back (the clock stepped back over midnight) is not a new day until a
    // day has passed on the monotonic clock since the last clock message of this run.
    const QDate lastDate = QDate::fromString(last, synchroDateFormat);
    const bool wentBack = lastDate.isValid() && today < lastDate;
    if (wentBack && m_synchroMs && m_clock.monotonicMs() - *m_synchroMs < dayMs)
        return;
    SendSynchroTime();
}

bool LifeTestClock::SendSynchroTime() {
    const double offsetHours = NumberValue::of(m_view.txtDifHoraria.text());
    const QDateTime shifted = m_clock.now().addMSecs(hoursToMsecs(offsetHours));
    const QString message = MessageFormat::clock(m_txtPlanta.text(), shifted);
    if (!m_sender.EnviaConReserva(message)) {
        m_log.clockFailure(message);
        return false;
    }
    m_log.delivery(message);
    m_view.lblFechaSynchro.setText(m_clock.now().date().toString(synchroDateFormat));
    m_synchroMs = m_clock.monotonicMs();
    m_delivery.delivered();
    return true;
}
