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

    // Link 1 (the primary), 2 or 3 (the secondaries) pointed at a port of 127.0.0.1.
    void point(int queWinsock, quint16 port) {
        Control* address[] = {&IpQuarn, &IpQuarnA, &IpQuarnB};
        Control* ports[] = {&lblPuerto, &lblPuertoA, &lblPuertoB};
        address[queWinsock - 1]->setText(QStringLiteral("127.0.0.1"));
        ports[queWinsock - 1]->setText(QString::number(port));
    }
    CentralLink::View view() {
        return {IpQuarn, lblPuerto, IpQuarnA, lblPuertoA, IpQuarnB, lblPuertoB, ESTADO, Datos};
    }
};
