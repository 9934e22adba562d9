#include "watchdog/Watchdog.h"

#include "core/Form1State.h"
#include "core/Scheduler.h"
#include "forwarding/CentralLink.h"

Watchdog::Watchdog(Parts parts)
    : m_p(std::move(parts)), m_baskill(m_table, m_p.dialogs),
      m_processes(m_p.form, m_p.settings, m_baskill, m_p.log, m_p.clock),
      m_noData(m_p.form, m_p.clock, m_p.buffer),
      m_status({m_p.status, m_p.form, m_p.settings, m_p.flags, m_p.clock, m_p.log, m_p.db, m_p.buffer,
                m_baskill, m_processes, [this] { return m_p.link.nombreEstado(1); },
                [this] { return m_p.scheduler.Timer3.isActive(); }, [this] { return m_chkAdquisicion; }}) {
    m_table.setScope(m_p.processScope);
    m_processes.setRestartWait(m_p.restartWait);
}

void Watchdog::lblTimeClick() {
    m_p.form.lblTime.setText(QStringLiteral("1"));
}

void Watchdog::appendDriveToFreeLabel() {
    m_p.form.lblFree.setText(m_p.form.lblFree.text() +
                             StatusUpdate::driveText(m_p.form.txtPathGelmar.text()));
}
