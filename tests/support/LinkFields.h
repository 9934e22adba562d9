#pragma once

#include "core/model/Control.h"
#include "forwarding/CentralLink.h"

// The window fields the central-station link reads and writes, on their own, as the window starts them.
struct LinkFields {
    Control IpQuarn{QStringLiteral("IpQuarn")};
    Control lblPuerto{QStringLiteral("lblPuerto"), QStringLiteral("10003")};
    Control IpQuarnA{QStringLiteral("IpQuarnA")};
    Control lblPuertoA{QStringLiteral("lblPuertoA"), QStringLiteral("10003")};
    Control IpQuarnB{QStringLiteral("IpQuarnB")};
    Control lblPuertoB{QStringLiteral("lblPuertoB"), QStringLiteral("10003")};
    Control ESTADO{QStringLiteral("ESTADO")};
    Control Datos{QStringLiteral("Datos")};

    CentralLink::View view() {
        return {IpQuarn, lblPuerto, IpQuarnA, lblPuertoA, IpQuarnB, lblPuertoB, ESTADO, Datos};
    }
};
