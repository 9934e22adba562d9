#pragma once

#include "forwarding/MessageSender.h"

#include <QList>
#include <QStringList>

// Records every message handed to it and answers from a scripted list of outcomes (then `otherwise`).
class FakeSender final : public MessageSender {
public:
    bool EnviaConReserva(const QString& message) override {
        sent << message;
        return outcomes.isEmpty() ? otherwise : outcomes.takeFirst();
    }
    QStringList sent;
    QList<bool> outcomes;
    bool otherwise = true;
};
