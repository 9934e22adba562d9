#include "forwarding/Forwarding.h"

#include "core/model/Control.h"
#include "core/state/StatusFlags.h"
#include "supervision/SupervisionDb.h"

Forwarding::Forwarding(Parts parts)
    : m_p(std::move(parts)), m_buffer(BufferDb::pathIn(m_p.programFolder), m_p.services.dialogs),
      m_link(m_p.views.link), m_lifeTest(m_p.views.lifeTest, m_p.views.txtPlanta, m_p.services.clock,
                                         m_p.services.log, m_link, m_p.delivery),
      m_exclusions(m_p.iniPath), m_delivery({m_p.views.delivery, m_p.flags.SMSOn, m_p.smsAuxiliaries,
                                             m_p.services.clock, m_p.services.log, m_link, m_p.delivery}),
      m_scan({m_p.programFolder, m_p.views.scan, m_p.views.txtPlanta, m_p.flags, m_p.status, m_p.services,
              m_p.db, m_buffer, m_delivery, m_lifeTest, m_exclusions}) {
    m_buffer.setLog(&m_p.services.log);
}

void Forwarding::readPlantName() {
    if (const std::optional<QString> name = m_p.db.plantName())
        m_p.views.txtPlanta.setText(*name);
}

void Forwarding::Label5Click() {
    if (const std::optional<QString> caption = m_p.db.versionCaption())
        m_p.views.Label5.setText(*caption);
}

void Forwarding::stop() {
    m_scan.stop();
    m_link.abort();
}
