#include "watchdog/NoDataRestart.h"

#include "core/model/Control.h"
#include "core/runtime/Clock.h"
#include "core/settings/NumberValue.h"
#include "core/state/RecentCounts.h"
#include "forwarding/BufferDb.h"

#include <algorithm>

NoDataRestart::NoDataRestart(View view, const Clock& clock, BufferDb& buffer)
    : m_view(view), m_clock(clock), m_buffer(buffer) {
    m_view.lblTimeWithoutData.setText(QStringLiteral("0"));
}

bool NoDataRestart::TestData() {
    Control& counter = m_view.lblTimeWithoutData;
    if (!m_view.chkRestart.checked() || m_view.counts.records > 0) {
        counter.setText(QStringLiteral("0"));
        return true;
    }
    const double ticks = std::min<double>(NumberValue::of(counter.text()) + 1, counterCap);
    counter.setText(NumberValue::text(ticks));
    if (NumberValue::of(m_view.txtMinSinData.text()) > ticks)
        return true;
    counter.setText(QStringLiteral("0"));
    return false;
}

void NoDataRestart::MandaMensajeRestart() {
    m_buffer.PonEnBuffer(QStringLiteral("AVISO"), notice, QStringLiteral("1"), m_clock.now());
}
