#include "app/Views.h"

#include "core/AgentSettings.h"
#include "core/Form1State.h"

StatusUpdate::View Views::statusUpdate(Form1State& form) {
    return {.txtPathGelmar = form.txtPathGelmar,
            .chkAlarms = form.chkAlarms,
            .lblSignal = form.lblSignal,
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

NoDataRestart::View Views::noDataRestart(Form1State& form) {
    return {.chkRestart = form.chkRestart,
            .lblNumVidas = form.lblNumVidas,
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
            .WebMode = settings.WebMode};
}

Watchdog::View Views::watchdog(Form1State& form) {
    return {.lblTime = form.lblTime, .lblFree = form.lblFree, .txtPathGelmar = form.txtPathGelmar};
}
