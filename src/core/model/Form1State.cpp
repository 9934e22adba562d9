#include "core/model/Form1State.h"

#include <QMetaMethod>
#include <QTimer>

Form1State::Form1State(QObject* parent) : QObject(parent) {
    btnLog.setToolTip(QStringLiteral("LogFile: VORNNET-XXXX.log"));
    lblLastDate.setToolTip(dataTip);
    lblNumVidas.setToolTip(dataTip);
    lblMinMal.setToolTip(dataTip);
    txtDifHoraria.setToolTip(
        QStringLiteral("+1 significa que el Quarn recibirá una hora más que la del Gelmar (CANARIAS)"));
    lblSignal.setToolTip(
        QStringLiteral("NM: No conexión con MODEM // NC: Sin cobertura //1..30: Calidad de la señal"));
    lblAlarmPoll.setVisible(false);
    lblModoSMS.setVisible(false);
    form1.setVisible(false); // shown when the load has finished
    lblPass.setVisible(false);
    txtPass.setVisible(false);
    txtPass.setSecret();
    for (Control* c : configFields())
        c->setEnabled(false);
}

void Form1State::adopt(Control& control) {
    m_controls.append(&control);
    control.setNotifier([this] { markChanged(); });
}

Control* Form1State::find(const QString& name) const {
    for (Control* c : m_controls)
        if (c->name().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

std::array<Control*, Form1State::configFieldCount> Form1State::configFields() {
    std::array<Control*, Form1State::configFieldCount> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = &(this->*configFieldMembers[i]);
    return out;
}

void Form1State::markChanged() {
    // Without a window (unattended) nobody listens: nothing is queued for every change of a field.
    static const QMetaMethod changedSignal = QMetaMethod::fromSignal(&Form1State::changed);
    if (m_pending || !isSignalConnected(changedSignal))
        return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        emit changed();
    });
}
