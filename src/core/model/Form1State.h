#pragma once

#include "core/model/Control.h"

#include <QList>
#include <QObject>
#include <array>

// The main window as plain state: one member per named control, each holding what the control shows.
// Steps read and write it and never touch a widget; the window mirrors it and writes user edits back.
class Form1State : public QObject, public ControlOwner {
    Q_OBJECT
public:
    // The version is the build's (VORNNET_VERSION); the window's title is always this model's caption.
    static inline const QString designedCaption =
        QStringLiteral("VORN-NET CLIENT :: Versión " VORNNET_VERSION);
    static inline const QString dataTip = QStringLiteral("Se actualiza a las 00, 15, 30, y 45 minutos.");

    explicit Form1State(QObject* parent = nullptr);

private:
    // Declared before the controls, which register themselves here as they are built.
    QList<Control*> m_controls;
    bool m_pending = false;

public:
    // The window itself: caption and whether it is shown.
    Control form1{*this, QStringLiteral("form1"), designedCaption};

    // Scheduler and maintenance progress.
    Control lblProceso{*this, QStringLiteral("lblProceso"), QStringLiteral("---")};
    // The fast alarm path's period, shown only while it is on.
    Control lblAlarmPoll{*this, QStringLiteral("lblAlarmPoll")};
    Control paso{*this, QStringLiteral("paso"), QStringLiteral("-")};
    Control ProgressBar1{*this, QStringLiteral("ProgressBar1")};

    // Central-station link.
    Control ESTADO{*this, QStringLiteral("ESTADO")};
    Control Datos{*this, QStringLiteral("Datos")};
    Control status{*this, QStringLiteral("status")};

    // Plant and supervision state.
    Control txtError{*this, QStringLiteral("txtError")};
    Control txtPlanta{*this, QStringLiteral("txtPlanta"), QStringLiteral("DEMO")};
    Control lblUltOptimiza{*this, QStringLiteral("lblUltOptimiza")};
    Control lblFree{*this, QStringLiteral("lblFree"), QStringLiteral("Gb libres en disco ")};
    Control txtFreeSpace{*this, QStringLiteral("txtFreeSpace")};
    Control lblDB{*this, QStringLiteral("lblDB"), QStringLiteral("Mb database:")};
    Control txtMbAdquired{*this, QStringLiteral("txtMbAdquired")};
    Control lblLastDate{*this, QStringLiteral("lblLastDate")};
    Control lblNumVidas{*this, QStringLiteral("lblNumVidas")};
    Control lblAlm{*this, QStringLiteral("lblAlm"), QStringLiteral("Alm en 60 min:")};
    Control lblAlmVidas{*this, QStringLiteral("lblAlmVidas")};
    Control circuloEstado{*this, QStringLiteral("circuloEstado")};
    Control lblMinMal{*this, QStringLiteral("lblMinMal")};
    Control lblTimeWithoutData{*this, QStringLiteral("lblTimeWithoutData")};
    Control shapeOk1{*this, QStringLiteral("shapeOk1")};
    Control shapeOk2{*this, QStringLiteral("shapeOk2")};
    Control shapeOk3{*this, QStringLiteral("shapeOk3")};
    Control lblTime{*this, QStringLiteral("lblTime"), QStringLiteral("30")};
    Control lblFechaLifeTest{*this, QStringLiteral("lblFechaLifeTest")};
    Control lblFechaSynchro{*this, QStringLiteral("lblFechaSynchro")};
    Control lblEstadoAdquisicion{*this, QStringLiteral("lblEstadoAdquisicion")};
    Control TiempoDetenido{*this, QStringLiteral("TiempoDetenido")};
    Control txtCicloActivo{*this, QStringLiteral("txtCicloActivo")};
    Control lblFechaActualizado{*this, QStringLiteral("lblFechaActualizado")};
    Control lblTiempoHist{*this, QStringLiteral("lblTiempoHist")};
    Control Label5{*this, QStringLiteral("Label5"), QStringLiteral("Información:")};

    // SMS and modem.
    Control lblModoSMS{*this, QStringLiteral("lblModoSMS"), QStringLiteral("MODO SMS ACTIVADO")};
    Control lblSignal{*this, QStringLiteral("lblSignal"), QStringLiteral("--")};
    Control lblErrorSMS{*this, QStringLiteral("lblErrorSMS"), QStringLiteral("-")};

    // Configuration screen: the seventeen fields the access code unlocks.
    Control IpQuarn{*this, QStringLiteral("IpQuarn")};
    Control lblPuerto{*this, QStringLiteral("lblPuerto"), QStringLiteral("10003")};
    Control lblTestVida{*this, QStringLiteral("lblTestVida")};
    Control IpQuarnA{*this, QStringLiteral("IpQuarnA")};
    Control IpQuarnB{*this, QStringLiteral("IpQuarnB")};
    Control lblPuertoA{*this, QStringLiteral("lblPuertoA"), QStringLiteral("10003")};
    Control lblPuertoB{*this, QStringLiteral("lblPuertoB"), QStringLiteral("10003")};
    Control chkRestart{*this, QStringLiteral("chkRestart"), QStringLiteral("Reinicio habilitado")};
    Control chkOptimiza{*this, QStringLiteral("chkOptimiza"), QStringLiteral("Optimiza semanalmente")};
    Control txtMinSinData{*this, QStringLiteral("txtMinSinData")};
    Control txtPathGelmar{*this, QStringLiteral("txtPathGelmar")};
    Control chkAlarms{*this, QStringLiteral("chkAlarms"), QStringLiteral("Chequeo Alarmas")};
    Control txtDifHoraria{*this, QStringLiteral("txtDifHoraria")};
    Control chkSMSEnabled{*this, QStringLiteral("chkSMSEnabled"),
                          QStringLiteral("Gestión por SMS si no hay red")};
    Control txtComPort{*this, QStringLiteral("txtComPort"), QStringLiteral("0")};
    Control txtRecipient{*this, QStringLiteral("txtRecipient")};
    Control txtMaxNoNet{*this, QStringLiteral("txtMaxNoNet"), QStringLiteral("0")};
    Control lblPass{*this, QStringLiteral("lblPass"), QStringLiteral("Password:")};
    Control txtPass{*this, QStringLiteral("txtPass")};

    // Buttons, picture and the tray menu.
    Control btnconfigurar{*this, QStringLiteral("btnconfigurar"), QStringLiteral("Configurar")};
    Control btnCerrar{*this, QStringLiteral("btnCerrar"), QStringLiteral("Cerrar")};
    Control Command1{*this, QStringLiteral("Command1"), QStringLiteral("Minimizar")};
    Control btnLog{*this, QStringLiteral("btnLog"), QStringLiteral("Log")};
    Control btnReindex{*this, QStringLiteral("btnReindex"), QStringLiteral("Reindex")};
    Control btnRepHist{*this, QStringLiteral("btnRepHist"), QStringLiteral("Rep.Hist")};
    Control btnTestSMS{*this, QStringLiteral("btnTestSMS"), QStringLiteral("TEST")};
    Control Image1{*this, QStringLiteral("Image1")};
    Control mnuMenu{*this, QStringLiteral("mnuMenu"), QStringLiteral("Menu")};
    Control mnuVornnet{*this, QStringLiteral("mnuVornnet"), QStringLiteral("VornNet")};

    // Every control, in the order above.
    const QList<Control*>& controls() const { return m_controls; }
    Control* find(const QString& name) const;
    // The seventeen configuration fields, in the order the screen saves them.
    static constexpr std::size_t configFieldCount = 17;
    std::array<Control*, configFieldCount> configFields();

signals:
    // Emitted once per batch of changes, from the event loop.
    void changed();

private:
    void adopt(Control& control) override;
    void markChanged();
};

// The configuration fields, in the order the screen saves them: the order of the key table.
inline constexpr Control Form1State::*configFieldMembers[] = {
    &Form1State::lblPuerto,     &Form1State::IpQuarn,       &Form1State::lblTestVida,
    &Form1State::lblPuertoA,    &Form1State::IpQuarnA,      &Form1State::lblPuertoB,
    &Form1State::IpQuarnB,      &Form1State::chkRestart,    &Form1State::chkOptimiza,
    &Form1State::txtMinSinData, &Form1State::txtPathGelmar, &Form1State::chkAlarms,
    &Form1State::txtDifHoraria, &Form1State::chkSMSEnabled, &Form1State::txtComPort,
    &Form1State::txtRecipient,  &Form1State::txtMaxNoNet,
};
static_assert(std::size(configFieldMembers) == Form1State::configFieldCount);
