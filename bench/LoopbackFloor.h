#pragma once

#include <QByteArrayList>
#include <QString>

// The floor of the forwarding rate: a bare client that does per message only what the protocol needs
// (connect, send, read the whole echo, close), in blocking calls, against the same station the agent uses.
class LoopbackFloor {
public:
    // Seconds taken to deliver every message in order; negative when one was not echoed (why in error).
    static double run(quint16 port, const QByteArrayList& messages, QString* error);
};
