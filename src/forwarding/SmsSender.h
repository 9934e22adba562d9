#pragma once

#include <QString>

// Sends one text message through the GSM modem; true when the modem accepted it.
class SmsSender {
public:
    virtual ~SmsSender() = default;
    virtual bool MandaMensaje(const QString& Texto, const QString& numero) = 0;
};
