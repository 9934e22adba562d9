#pragma once

#include <QByteArrayList>
#include <QString>

// The floor of the forwarding rate: a bare client that does per message only what the protocol needs
// (connect, send, read the whole echo, close), in blocking calls, against the same station the agent uses.
class LoopbackFloor {
public:
    struct Result {
        double seconds = -1; // negative when a message was not echoed
        qint64 cpuNs = 0;    // the client's own CPU time
    };
    // Every message delivered in order.
    static Result run(quint16 port, const QByteArrayList& messages, QString* error);
};
