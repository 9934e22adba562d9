#pragma once

#include <QByteArrayList>
#include <QString>

// The floor of the forwarding rate: a bare client that does per message only what the protocol needs
// (connect, send, read the whole echo, close), in blocking calls, against the same station the agent uses.
// It warms up first and keeps its fastest pass: a floor is what a client can reach.
class LoopbackFloor {
public:
    static constexpr qsizetype warmUp = 500; // messages sent untimed first
    static constexpr int passes = 3;         // timed passes over the messages; the fastest counts

    struct Result {
        double seconds = -1; // the fastest pass; negative when a message was not echoed
        qint64 cpuNs = 0;    // the client's own CPU time, over every message sent
        int sent = 0;        // messages sent, warm-up included
    };
    // Every message delivered in order, by this process.
    static Result run(quint16 port, const QByteArrayList& messages, QString* error);
    // The same in a process of its own (this program run with --floor), started afresh like the agent, so
    // that on a loaded machine the scheduler treats both alike.
    static Result runApart(const QString& self, quint16 port, const QByteArrayList& messages, QString* error);
    // The --floor mode: messages one per line in a file; prints "seconds cpuNs".
    static int main(quint16 port, const QString& messagesFile);
};
