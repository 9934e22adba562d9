#include "watchdog/NoDataRestart.h"

#include "core/model/Control.h"
#include "core/runtime/Clock.h"
#include "core/settings/NumberValue.h"
#include "core/state/RecentCounts.h"
#include "forwarding/BufferDb.h"

#include <algorithm>

NoDataRestart::NoDataRestart(View view, const Clock& clock, BufferDb& buffer)
    : m_view(view), m_clock(clock), m_buffer(buffer) {
    setTicks(0);
}

bool NoDataRestart::TestData() {
    if (!m_view.chkRestart.checked() || m_view.counts.records > 0) {
        setTicks(0);
        return true;
    }
    setTicks(std::min(m_ticks + 1, counterCap));
    if (NumberValue::of(m_view.txtMinSinData.text()) > m_ticks)
        return true;
    setTicks(0);
    return false;
}

void NoDataRestart::setTicks(int ticks) {
    m_ticks = ticks;
    m_view.lblTimeWithoutData.setText(QString::number(ticks));
}

void NoDataRestart::MandaMensajeRestart() {
    m_buffer.PonEnBuffer(QStringLiteral("AVISO"), notice, QStringLiteral("1"), m_clock.now());
}
