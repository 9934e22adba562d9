#pragma once

#include "forwarding/GelmarRestarter.h"
#include "forwarding/MessageSender.h"

#include <QStringList>
#include <functional>

// The central station as a step sees it: records every message handed to it, answers as the test says.
class FakeSender final : public MessageSender {
public:
    bool EnviaConReserva(const QString& message) override {
        sent << message;
        return answer(message);
    }
    QStringList alarms() const { return sent.filter(QStringLiteral("##ALARM##")); }

    QStringList sent;
    std::function<bool(const QString&)> answer = [](const QString&) { return true; };
};

// The supervision system's relaunch as a step sees it: counted, never done.
struct FakeRestarter final : GelmarRestarter {
    void ReiniciaGelmar() override { ++restarts; }
    int restarts = 0;
};
