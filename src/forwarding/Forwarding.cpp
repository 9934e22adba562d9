#include "forwarding/Forwarding.h"

#include "core/AgentSettings.h"
#include "core/Form1State.h"
#include "core/SupervisionDb.h"

Forwarding::Forwarding(Parts parts)
    : m_p(std::move(parts)), m_buffer(BufferDb::pathIn(m_p.programFolder), m_p.dialogs), m_link(m_p.form),
      m_lifeTest(m_p.form, m_p.clock, m_p.log, m_link, m_p.delivery), m_exclusions(m_p.iniPath),
      m_delivery({m_p.form, m_p.settings, m_p.flags, m_p.clock, m_p.log, m_link, m_p.delivery}),
      m_scan({m_p.programFolder, m_p.form, m_p.flags, m_p.status, m_p.clock, m_p.log, m_p.dialogs, m_p.db,
              m_buffer, m_delivery, m_lifeTest, m_exclusions}) {
    m_link.followFastFailover(m_p.settings.FastFailover);
}

void Forwarding::readPlantName() {
    if (const std::optional<QString> name = m_p.db.plantName())
        m_p.form.txtPlanta.setText(*name);
}

void Forwarding::Label5Click() {
    if (const std::optional<QString> caption = m_p.db.versionCaption())
        m_p.form.Label5.setText(*caption);
}

void Forwarding::stop() {
    m_scan.stop();
    m_link.abort();
}
