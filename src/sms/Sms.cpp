#include "sms/Sms.h"

#include "core/model/Control.h"
#include "core/model/Palette.h"
#include "core/runtime/Clock.h"
#include "core/settings/NumberValue.h"
#include "core/state/DeliveryState.h"
#include "core/state/StatusFile.h"
#include "core/text/AgentLocale.h"
#include "forwarding/BufferDb.h"
#include "sms/SmsLogging.h"

namespace {

constexpr qint64 minuteMs = 60000;
constexpr qint64 maxShownMinutes = 9999;

} // namespace

Sms::Sms(Parts parts, QObject* parent)
    : QObject(parent), m_p(std::move(parts)),
      m_driver(m_p.views.modem, m_p.services.clock, m_p.services.log, m_p.programFolder) {
}

void Sms::stop() {
    m_driver.stop();
}

double Sms::maxNoNet() {
    const QString text = m_p.views.sms.txtMaxNoNet.text();
    bool whole = false;
    text.trimmed().toDouble(&whole);
    const double minutes = NumberValue::of(text);
    if (!whole && text != m_badMaxNoNet) {
        m_badMaxNoNet = text;
        qCWarning(lcSms).noquote() << "los minutos del modo SMS"
                                   << (QLatin1Char('\'') + text + QLatin1Char('\''))
                                   << "no son un número: se toma" << minutes;
    }
    return minutes;
}

void Sms::RestauraModoSMS() {
    if (!m_p.smsOn) {
        m_p.delivery.delivered();
        return;
    }
    m_p.views.sms.lblModoSMS.setVisible(true);
    const double minutes = maxNoNet() + 1;
    m_p.delivery.failingFor(m_p.services.clock, static_cast<qint64>(minutes * minuteMs));
}

void Sms::CheckSMS() {
    // Unticked, nothing changes in either direction: the scan stops sending SMS as it tests the box too.
    if (!m_p.views.sms.chkSMSEnabled.checked())
        return;
    m_driver.SMSQuality();

    const qint64 failingMs = m_p.delivery.msecsFailing(m_p.services.clock);
    if (failingMs > minuteMs) {
        const qint64 minutes = std::min(failingMs / minuteMs, maxShownMinutes);
        m_p.views.sms.lblMinMal.setText(QString::number(minutes));
        m_p.views.sms.lblMinMal.setBackground(Palette::lightRed);
        if (static_cast<double>(minutes) >= maxNoNet() && !m_p.smsOn)
            enterSmsMode();
    } else if (m_p.smsOn) {
        leaveSmsMode();
    }
}

void Sms::enterSmsMode() {
    m_p.views.sms.lblModoSMS.setVisible(true);
    writeStatus(true);
    m_p.buffer.PonEnBuffer(QStringLiteral("SISTEMA"), modeNotice, QStringLiteral("1"),
                           m_p.services.clock.now());
    m_p.smsOn = true;
    qCInfo(lcSms).noquote() << "modo SMS activado: envíos fallando desde"
                            << AgentLocale::dateTimeText(m_p.delivery.failingSince().value_or(QDateTime()));
}

void Sms::leaveSmsMode() {
    m_p.views.sms.lblMinMal.setBackground(Palette::white);
    m_p.views.sms.lblModoSMS.setVisible(false);
    m_p.smsOn = false;
    m_p.views.sms.lblMinMal.setText(QString());
    writeStatus(false);
    m_p.buffer.PonEnBuffer(QStringLiteral("SISTEMA"), modeNotice, QStringLiteral("0"),
                           m_p.services.clock.now());
    qCInfo(lcSms) << "modo SMS desactivado: la central vuelve a recibir los envíos";
}

void Sms::writeStatus(bool on) {
    if (!m_p.status.set(StatusFile::Flag::SMSOn, on))
        qCWarning(lcSms).noquote() << "no se puede escribir el modo SMS en" << m_p.status.path()
                                   << "; al reiniciar el agente no lo sabrá";
}

void Sms::btnTestSMS_Click() {
    m_driver.SMSQuality();
    // The outcome is not shown: the user watches lblErrorSMS, the signal and the telephone.
    if (m_p.views.sms.chkSMSEnabled.checked())
        m_driver.MandaMensaje(testText, m_p.views.sms.txtRecipient.text());
    else
        m_p.views.sms.lblErrorSMS.setText(enableFirst);
}

void Sms::lblErrorSMS_Click() {
    m_p.views.sms.lblErrorSMS.setText(QString());
}

void Sms::chkAlarms_Click() {
    VisibilidadAlm(m_p.views.sms.chkAlarms.checked() ? 1 : 0);
}

void Sms::VisibilidadAlm(int valor) {
    m_alarmsWatched = valor == 1;
    m_p.views.sms.lblAlm.setVisible(m_alarmsWatched);
    m_p.views.sms.lblAlmVidas.setVisible(m_alarmsWatched);
}
