#include "app/ForwardingViews.h"

#include "core/Form1State.h"

Forwarding::Views forwardingViews(Form1State& f) {
    return {
        .txtPlanta = f.txtPlanta,
        .Label5 = f.Label5,
        .link = {.IpQuarn = f.IpQuarn,
                 .lblPuerto = f.lblPuerto,
                 .IpQuarnA = f.IpQuarnA,
                 .lblPuertoA = f.lblPuertoA,
                 .IpQuarnB = f.IpQuarnB,
                 .lblPuertoB = f.lblPuertoB,
                 .ESTADO = f.ESTADO,
                 .Datos = f.Datos},
        .lifeTest = {.lblTestVida = f.lblTestVida,
                     .lblNumVidas = f.lblNumVidas,
                     .lblAlmVidas = f.lblAlmVidas,
                     .chkAlarms = f.chkAlarms,
                     .txtPlanta = f.txtPlanta,
                     .txtDifHoraria = f.txtDifHoraria,
                     .lblFechaLifeTest = f.lblFechaLifeTest,
                     .lblFechaSynchro = f.lblFechaSynchro},
        .delivery = {.chkSMSEnabled = f.chkSMSEnabled, .txtRecipient = f.txtRecipient},
        .scan = {.txtError = f.txtError, .lblLastDate = f.lblLastDate, .txtPlanta = f.txtPlanta},
    };
}

Sms::Views smsViews(Form1State& f) {
    return {
        .sms = {.chkSMSEnabled = f.chkSMSEnabled,
                .txtMaxNoNet = f.txtMaxNoNet,
                .txtRecipient = f.txtRecipient,
                .chkAlarms = f.chkAlarms,
                .lblModoSMS = f.lblModoSMS,
                .lblMinMal = f.lblMinMal,
                .lblErrorSMS = f.lblErrorSMS,
                .lblAlm = f.lblAlm,
                .lblAlmVidas = f.lblAlmVidas},
        .modem = {.txtComPort = f.txtComPort,
                  .lblSignal = f.lblSignal,
                  .ProgressBar1 = f.ProgressBar1,
                  .lblErrorSMS = f.lblErrorSMS},
    };
}
