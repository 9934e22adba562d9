#include "forwarding/Delivery.h"

#include "core/model/Control.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/Clock.h"
#include "core/runtime/Diagnostics.h"
#include "core/runtime/EventLog.h"
#include "core/state/DeliveryState.h"
#include "forwarding/MessageSender.h"
#include "forwarding/SmsSender.h"
#include "forwarding/UltCodFile.h"

Delivery::Delivery(Parts parts) : m_p(std::move(parts)) {
}

bool Delivery::smsApplies() const {
    return m_p.view.chkSMSEnabled.checked() && m_p.smsOn;
}

void Delivery::savePosition(const UltCodFile& position, qint64 id) const {
    if (!position.write(id, UltCodFile::Sync::Paced))
        throw AgentError(AgentError::CommandFailed,
                         QStringLiteral("No se puede escribir ") + position.path());
}

Delivery::Handed Delivery::handOn(const QString& message, const SmsForm& smsForm, const UltCodFile& position,
                                  qint64 id) {
    const bool straightToSms = m_fastFailover && m_linksFailed && smsApplies();
    if (!straightToSms) {
        if (m_p.sender.EnviaConReserva(message)) {
            m_p.state.delivered();
            savePosition(position, id);
            m_p.log.delivery(message);
            return Handed::Delivered;
        }
        if (!smsApplies()) {
            m_p.state.failed(m_p.clock);
            return Handed::No;
        }
        if (m_fastFailover && !m_linksFailed)
            qCInfo(lcLink) << "ningún enlace ha entregado: el resto del ciclo va directo por SMS";
        m_linksFailed = true;
    }
    // When the modem fails too, stop here without moving past the message; the next tick tries again.
    const QString recipient = m_p.view.txtRecipient.text();
    if (!m_p.sms || !m_p.sms->MandaMensaje(smsForm(), recipient))
        return Handed::No;
    savePosition(position, id);
    m_p.log.sms(message, recipient);
    return Handed::BySms;
}

void Delivery::toAuxiliaries(const QString& message, const QString& smsText) {
    if (!m_p.sms)
        return;
    for (const QString& number : std::as_const(m_p.smsAuxiliaries)) {
        const bool sent = m_p.sms->MandaMensaje(smsText, number);
        m_p.log.auxiliarySms(message, number, sent);
    }
}
