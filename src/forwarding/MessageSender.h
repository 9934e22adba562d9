#pragma once

#include <QString>

// Delivery of one message to the central station over the primary and secondary links; true when one of
// them echoed it. The steps that deliver depend on this, not on the sockets.
class MessageSender {
public:
    virtual ~MessageSender() = default;
    virtual bool EnviaConReserva(const QString& message) = 0;
};
