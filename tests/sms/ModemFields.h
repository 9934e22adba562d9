#pragma once

#include "core/model/Control.h"
#include "sms/ModemDriver.h"

// The window fields the modem driver reads and writes, on their own, as the window starts them.
struct ModemFields {
    Control txtComPort{QStringLiteral("txtComPort"), QStringLiteral("0")};
    Control lblSignal{QStringLiteral("lblSignal"), QStringLiteral("--")};
    Control ProgressBar1{QStringLiteral("ProgressBar1")};
    Control lblErrorSMS{QStringLiteral("lblErrorSMS"), QStringLiteral("-")};

    ModemDriver::View view() { return {txtComPort, lblSignal, ProgressBar1, lblErrorSMS}; }
};
