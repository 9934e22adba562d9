#include "core/Form1State.h"

#include <QTimer>

Form1State::Form1State(QObject* parent) : QObject(parent) {
    m_controls = {&form1,        &lblProceso,    &paso,         &ProgressBar1,   &ESTADO,        &Datos,
                  &status,       &txtError,      &txtPlanta,    &lblUltOptimiza, &lblFree,       &txtFreeSpace,
                  &lblDB,        &txtMbAdquired, &lblLastDate,  &lblNumVidas,    &lblAlm,        &lblAlmVidas,
                  &circuloEstado, &lblMinMal,    &lblTimeWithoutData, &shapeOk1, &shapeOk2,      &shapeOk3,
                  &lblTime,      &lblFechaLifeTest, &lblFechaSynchro, &Label5,   &lblModoSMS,    &lblSignal,
                  &lblErrorSMS,  &IpQuarn,       &lblPuerto,    &lblTestVida,    &IpQuarnA,      &IpQuarnB,
                  &lblPuertoA,   &lblPuertoB,    &chkRestart,   &chkOptimiza,    &txtMinSinData, &txtPathGelmar,
                  &chkAlarms,    &txtDifHoraria, &chkSMSEnabled, &txtComPort,    &txtRecipient,  &txtMaxNoNet,
                  &lblPass,      &txtPass,       &btnconfigurar, &btnCerrar,     &Command1,      &btnLog,
                  &btnReindex,   &btnRepHist,    &btnTestSMS,   &Image1,         &mnuMenu,       &mnuVornnet};

    btnLog.setToolTip(QStringLiteral("LogFile: VORNNET-XXXX.log"));
    lblLastDate.setToolTip(dataTip);
    lblNumVidas.setToolTip(dataTip);
    lblMinMal.setToolTip(dataTip);
    txtDifHoraria.setToolTip(
        QStringLiteral("+1 significa que el Quarn recibirá una hora más que la del Gelmar (CANARIAS)"));
    lblModoSMS.setVisible(false);
    lblPass.setVisible(false);
    txtPass.setVisible(false);
    for (Control* c : configFields())
        c->setEnabled(false);

    for (Control* c : m_controls)
        c->setNotifier([this] { markChanged(); });
}

Control* Form1State::find(const QString& name) const {
    for (Control* c : m_controls)
        if (c->name().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

std::array<Control*, 17> Form1State::configFields() {
    return {&IpQuarn,     &lblPuerto,     &lblTestVida,   &IpQuarnA,      &IpQuarnB,    &lblPuertoA,
            &lblPuertoB,  &chkRestart,    &chkOptimiza,   &txtMinSinData, &txtPathGelmar, &chkAlarms,
            &txtDifHoraria, &chkSMSEnabled, &txtComPort,  &txtRecipient,  &txtMaxNoNet};
}

void Form1State::markChanged() {
    if (m_pending)
        return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        m_pending = false;
        emit changed();
    });
}
