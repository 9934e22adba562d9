#pragma once

#include "core/Control.h"

#include <QList>
#include <QObject>
#include <array>

// The main window as plain state: one member per named control, each holding what the control shows.
// Steps read and write it and never touch a widget; the window mirrors it and writes user edits back.
class Form1State : public QObject {
    Q_OBJECT
public:
    static inline const QString designedCaption = QStringLiteral("VORN-NET CLIENT :: Versión 5.51");
    static inline const QString dataTip = QStringLiteral("Se actualiza a las 00, 15, 30, y 45 minutos.");

    explicit Form1State(QObject* parent = nullptr);

    // The window itself: caption and whether it is shown.
    Control form1{QStringLiteral("form1"), designedCaption};

    // Scheduler and maintenance progress.
    Control lblProceso{QStringLiteral("lblProceso"), QStringLiteral("---")};
    Control paso{QStringLiteral("paso"), QStringLiteral("-")};
    Control ProgressBar1{QStringLiteral("ProgressBar1")};

    // Central-station link.
    Control ESTADO{QStringLiteral("ESTADO")};
    Control Datos{QStringLiteral("Datos")};
    Control status{QStringLiteral("status")};

    // Plant and supervision state.
    Control txtError{QStringLiteral("txtError")};
    Control txtPlanta{QStringLiteral("txtPlanta"), QStringLiteral("DEMO")};
    Control lblUltOptimiza{QStringLiteral("lblUltOptimiza")};
    Control lblFree{QStringLiteral("lblFree"), QStringLiteral("Gb libres en disco ")};
    Control txtFreeSpace{QStringLiteral("txtFreeSpace")};
    Control lblDB{QStringLiteral("lblDB"), QStringLiteral("Mb database:")};
    Control txtMbAdquired{QStringLiteral("txtMbAdquired")};
    Control lblLastDate{QStringLiteral("lblLastDate")};
    Control lblNumVidas{QStringLiteral("lblNumVidas")};
    Control lblAlm{QStringLiteral("lblAlm"), QStringLiteral("Alm en 60 min:")};
    Control lblAlmVidas{QStringLiteral("lblAlmVidas")};
    Control circuloEstado{QStringLiteral("circuloEstado")};
    Control lblMinMal{QStringLiteral("lblMinMal")};
    Control lblTimeWithoutData{QStringLiteral("lblTimeWithoutData")};
    Control shapeOk1{QStringLiteral("shapeOk1")};
    Control shapeOk2{QStringLiteral("shapeOk2")};
    Control shapeOk3{QStringLiteral("shapeOk3")};
    Control lblTime{QStringLiteral("lblTime"), QStringLiteral("30")};
    Control lblFechaLifeTest{QStringLiteral("lblFechaLifeTest")};
    Control lblFechaSynchro{QStringLiteral("lblFechaSynchro")};
    Control lblEstadoAdquisicion{QStringLiteral("lblEstadoAdquisicion")};
    Control TiempoDetenido{QStringLiteral("TiempoDetenido")};
    Control txtCicloActivo{QStringLiteral("txtCicloActivo")};
    Control lblFechaActualizado{QStringLiteral("lblFechaActualizado")};
    Control lblTiempoHist{QStringLiteral("lblTiempoHist")};
    Control Label5{QStringLiteral("Label5"), QStringLiteral("Información:")};

    // SMS and modem.
    Control lblModoSMS{QStringLiteral("lblModoSMS"), QStringLiteral("MODO SMS ACTIVADO")};
    Control lblSignal{QStringLiteral("lblSignal"), QStringLiteral("--")};
    Control lblErrorSMS{QStringLiteral("lblErrorSMS"), QStringLiteral("-")};

    // Configuration screen: the seventeen fields the access code unlocks.
    Control IpQuarn{QStringLiteral("IpQuarn")};
    Control lblPuerto{QStringLiteral("lblPuerto"), QStringLiteral("10003")};
    Control lblTestVida{QStringLiteral("lblTestVida")};
    Control IpQuarnA{QStringLiteral("IpQuarnA")};
    Control IpQuarnB{QStringLiteral("IpQuarnB")};
    Control lblPuertoA{QStringLiteral("lblPuertoA"), QStringLiteral("10003")};
    Control lblPuertoB{QStringLiteral("lblPuertoB"), QStringLiteral("10003")};
    Control chkRestart{QStringLiteral("chkRestart"), QStringLiteral("Reinicio habilitado")};
    Control chkOptimiza{QStringLiteral("chkOptimiza"), QStringLiteral("Optimiza semanalmente")};
    Control txtMinSinData{QStringLiteral("txtMinSinData")};
    Control txtPathGelmar{QStringLiteral("txtPathGelmar")};
    Control chkAlarms{QStringLiteral("chkAlarms"), QStringLiteral("Chequeo Alarmas")};
    Control txtDifHoraria{QStringLiteral("txtDifHoraria")};
    Control chkSMSEnabled{QStringLiteral("chkSMSEnabled"), QStringLiteral("Gestión por SMS si no hay red")};
    Control txtComPort{QStringLiteral("txtComPort"), QStringLiteral("0")};
    Control txtRecipient{QStringLiteral("txtRecipient")};
    Control txtMaxNoNet{QStringLiteral("txtMaxNoNet"), QStringLiteral("0")};
    Control lblPass{QStringLiteral("lblPass"), QStringLiteral("Password:")};
    Control txtPass{QStringLiteral("txtPass")};

    // Buttons, picture and the tray menu.
    Control btnconfigurar{QStringLiteral("btnconfigurar"), QStringLiteral("Configurar")};
    Control btnCerrar{QStringLiteral("btnCerrar"), QStringLiteral("Cerrar")};
    Control Command1{QStringLiteral("Command1"), QStringLiteral("Minimizar")};
    Control btnLog{QStringLiteral("btnLog"), QStringLiteral("Log")};
    Control btnReindex{QStringLiteral("btnReindex"), QStringLiteral("Reindex")};
    Control btnRepHist{QStringLiteral("btnRepHist"), QStringLiteral("Rep.Hist")};
    Control btnTestSMS{QStringLiteral("btnTestSMS"), QStringLiteral("TEST")};
    Control Image1{QStringLiteral("Image1")};
    Control mnuMenu{QStringLiteral("mnuMenu"), QStringLiteral("Menu")};
    Control mnuVornnet{QStringLiteral("mnuVornnet"), QStringLiteral("VornNet")};

    // Every control, in the order above.
    const QList<Control*>& controls() const { return m_controls; }
    Control* find(const QString& name) const;
    // The seventeen configuration fields, in the order the screen enables them.
    std::array<Control*, 17> configFields();

signals:
    // Emitted once per batch of changes, from the event loop.
    void changed();

private:
    void markChanged();

    QList<Control*> m_controls;
    bool m_pending = false;
};
