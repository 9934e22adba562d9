#include "sms/Sms.h"

#include "core/AgentSettings.h"
#include "core/Clock.h"
#include "core/DeliveryState.h"
#include "core/Form1State.h"
#include "core/NumberValue.h"
#include "core/Palette.h"
#include "core/StatusFile.h"
#include "forwarding/BufferDb.h"
#include "sms/SmsLogging.h"

namespace {

constexpr qint64 minuteMs = 60000;
constexpr qint64 maxShownMinutes = 9999;

} // namespace

Sms::Sms(Parts parts, QObject* parent)
    : QObject(parent), m_p(std::move(parts)), m_driver(m_p.form, m_p.clock, m_p.log, m_p.programFolder) {
}

void Sms::stop() {
    m_driver.stop();
}

double Sms::maxNoNet() {
    const QString text = m_p.form.txtMaxNoNet.text();
    bool whole = false;
    text.trimmed().toDouble(&whole);
    const double minutes = NumberValue::of(text);
    if (!whole && text != m_badMaxNoNet) {
        m_badMaxNoNet = text;
        qCWarning(lcSms).noquote() << "minutes for SMS mode" << (QLatin1Char('\'') + text + QLatin1Char('\''))
                                   << "is not a number: read as" << minutes;
    }
    return minutes;
}

void Sms::RestauraModoSMS() {
    if (!m_p.flags.SMSOn) {
        m_p.delivery.FechaPrimerFallo = DeliveryState::noFailure();
        return;
    }
    m_p.form.lblModoSMS.setVisible(true);
    const double minutes = maxNoNet() + 1;
    m_p.delivery.FechaPrimerFallo = m_p.clock.now().addMSecs(-static_cast<qint64>(minutes * minuteMs));
}

void Sms::CheckSMS() {
    // Unticked, nothing changes in either direction: the scan stops sending SMS as it tests the box too.
    if (!m_p.form.chkSMSEnabled.checked())
        return;
    m_driver.SMSQuality();

    const qint64 failingMs = m_p.delivery.FechaPrimerFallo.msecsTo(m_p.clock.now());
    if (failingMs > minuteMs) {
        m_p.form.lblMinMal.setText(QString::number(std::min(failingMs / minuteMs, maxShownMinutes)));
        m_p.form.lblMinMal.setBackground(Palette::lightRed);
        if (NumberValue::of(m_p.form.lblMinMal.text()) >= maxNoNet() && !m_p.flags.SMSOn)
            enterSmsMode();
    } else if (m_p.flags.SMSOn) {
        leaveSmsMode();
    }
}

void Sms::enterSmsMode() {
    m_p.form.lblModoSMS.setVisible(true);
    writeStatus(true);
    m_p.buffer.PonEnBuffer(QStringLiteral("SISTEMA"), modeNotice, QStringLiteral("1"), m_p.clock.now());
    m_p.flags.SMSOn = true;
    qCInfo(lcSms).noquote() << "SMS mode on: deliveries failing since"
                            << m_p.delivery.FechaPrimerFallo.toString(Qt::ISODate);
}

void Sms::leaveSmsMode() {
    m_p.form.lblMinMal.setBackground(Palette::white);
    m_p.form.lblModoSMS.setVisible(false);
    m_p.flags.SMSOn = false;
    m_p.form.lblMinMal.setText(QString());
    writeStatus(false);
    m_p.buffer.PonEnBuffer(QStringLiteral("SISTEMA"), modeNotice, QStringLiteral("0"), m_p.clock.now());
    qCInfo(lcSms) << "SMS mode off: the central station takes deliveries again";
}

void Sms::writeStatus(bool on) {
    if (!m_p.status.set(StatusFile::Flag::SMSOn, on))
        qCWarning(lcSms).noquote() << "can not write the SMS mode to" << m_p.status.path()
                                   << "; a restart will not know it";
}

void Sms::btnTestSMS_Click() {
    m_driver.SMSQuality();
    // The outcome is not shown: the user watches lblErrorSMS, the signal and the telephone.
    if (m_p.form.chkSMSEnabled.checked())
        m_driver.MandaMensaje(testText, m_p.form.txtRecipient.text());
    else
        m_p.form.lblErrorSMS.setText(enableFirst);
}

void Sms::lblErrorSMS_Click() {
    m_p.form.lblErrorSMS.setText(QString());
}

void Sms::chkAlarms_Click() {
    VisibilidadAlm(m_p.form.chkAlarms.checked() ? 1 : 0);
}

void Sms::VisibilidadAlm(int valor) {
    m_p.form.lblAlm.setVisible(valor == 1);
    m_p.form.lblAlmVidas.setVisible(valor == 1);
}
