#include "app/Views.h"

#include "core/model/Form1State.h"
#include "core/settings/AgentSettings.h"

StatusUpdate::View Views::statusUpdate(Form1State& form, RecentCounts& counts, const bool& alarmsWatched) {
    return {.txtPathGelmar = form.txtPathGelmar,
            .chkAlarms = form.chkAlarms,
            .lblSignal = form.lblSignal,
            .alarmsWatched = alarmsWatched,
            .counts = counts,
            .lblLastDate = form.lblLastDate,
            .lblNumVidas = form.lblNumVidas,
            .lblAlmVidas = form.lblAlmVidas,
            .txtFreeSpace = form.txtFreeSpace,
            .txtMbAdquired = form.txtMbAdquired,
            .lblEstadoAdquisicion = form.lblEstadoAdquisicion,
            .TiempoDetenido = form.TiempoDetenido,
            .circuloEstado = form.circuloEstado,
            .txtCicloActivo = form.txtCicloActivo,
            .lblFechaActualizado = form.lblFechaActualizado,
            .lblTiempoHist = form.lblTiempoHist,
            .status = form.status,
            .txtError = form.txtError};
}

StatusUpdate::Limits Views::statusLimits(const AgentSettings& settings) {
    return {settings.MaxDb, settings.minFree, settings.ControlFechasFuturas};
}

NoDataRestart::View Views::noDataRestart(Form1State& form, const RecentCounts& counts) {
    return {.chkRestart = form.chkRestart,
            .counts = counts,
            .txtMinSinData = form.txtMinSinData,
            .lblTimeWithoutData = form.lblTimeWithoutData};
}

GelmarProcesses::View Views::gelmarProcesses(Form1State& form, const AgentSettings& settings) {
    return {.chkRestart = form.chkRestart,
            .txtPathGelmar = form.txtPathGelmar,
            .lblTime = form.lblTime,
            .shapeOk1 = form.shapeOk1,
            .shapeOk2 = form.shapeOk2,
            .shapeOk3 = form.shapeOk3,
            .txtError = form.txtError,
            .WebMode = settings.WebMode,
            .GelmarUnit = settings.GelmarUnit};
}

Watchdog::View Views::watchdog(Form1State& form) {
    return {.lblFree = form.lblFree, .txtPathGelmar = form.txtPathGelmar};
}

MaintenanceParts::View Views::maintenance(Form1State& form) {
    return {.chkOptimiza = form.chkOptimiza,
            .txtPathGelmar = form.txtPathGelmar,
            .btnReindex = form.btnReindex,
            .btnRepHist = form.btnRepHist,
            .paso = form.paso,
            .ProgressBar1 = form.ProgressBar1,
            .lblUltOptimiza = form.lblUltOptimiza,
            .txtError = form.txtError};
}

Configuration::View Views::configuration(Form1State& form) {
    return {.fields = ConfigFields(form.configFields()), .lblDB = form.lblDB, .lblFree = form.lblFree};
}

ConfigScreen::View Views::configScreen(Form1State& form) {
    return {.fields = ConfigFields(form.configFields()),
            .lblPass = form.lblPass,
            .txtPass = form.txtPass,
            .btnconfigurar = form.btnconfigurar};
}

CentralLink::View Views::link(Form1State& f) {
    return {.IpQuarn = f.IpQuarn,
            .lblPuerto = f.lblPuerto,
            .IpQuarnA = f.IpQuarnA,
            .lblPuertoA = f.lblPuertoA,
            .IpQuarnB = f.IpQuarnB,
            .lblPuertoB = f.lblPuertoB,
            .ESTADO = f.ESTADO,
            .Datos = f.Datos};
}

Forwarding::Views Views::forwarding(Form1State& f, const RecentCounts& counts) {
    return {
        .txtPlanta = f.txtPlanta,
        .Label5 = f.Label5,
        .link = link(f),
        .lifeTest = {.lblTestVida = f.lblTestVida,
                     .counts = counts,
                     .chkAlarms = f.chkAlarms,
                     .txtDifHoraria = f.txtDifHoraria,
                     .lblFechaLifeTest = f.lblFechaLifeTest,
                     .lblFechaSynchro = f.lblFechaSynchro},
        .delivery = {.chkSMSEnabled = f.chkSMSEnabled, .txtRecipient = f.txtRecipient},
        .scan = {.txtError = f.txtError, .lblLastDate = f.lblLastDate},
    };
}

Sms::Views Views::sms(Form1State& f) {
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
