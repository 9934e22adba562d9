#include "watchdog/Watchdog.h"

#include "core/model/Control.h"
#include "core/runtime/StepRunner.h"
#include "forwarding/CentralLink.h"

Watchdog::Watchdog(Parts parts)
    : m_p(std::move(parts)), m_baskill(m_table, m_p.services.dialogs),
      m_processes(m_p.processView, m_baskill, m_p.services.log, m_p.services.clock),
      m_noData(m_p.noDataView, m_p.services.clock, m_p.buffer),
      m_status({m_p.statusView, m_p.limits, m_p.flags, m_p.status, m_p.services, m_p.db, m_p.buffer,
                m_baskill, m_processes, [this] { return m_p.link.nombreEstado(1); },
                [this] { return m_p.scheduler.Timer3.isActive(); }, [this] { return m_chkAdquisicion; }}) {
    m_table.setScope(m_p.processScope);
    m_processes.setRestartWait(m_p.restartWait);
}

void Watchdog::lblTimeClick() {
    m_processes.setCountdown(1);
}

void Watchdog::appendDriveToFreeLabel() {
    m_p.view.lblFree.setText(m_p.view.lblFree.text() +
                             StatusUpdate::driveText(m_p.view.txtPathGelmar.text()));
}
