#pragma once

#include "QuarnCenter.h"

#include <QByteArray>
#include <QObject>

class QTcpSocket;
class QTimer;

// One connection to the stand-in station: reads one message, answers as the mode of the moment says,
// then waits for the agent to hang up. Deletes itself when the connection ends.
class CenterSession : public QObject {
    Q_OBJECT
public:
    // A message is "@@", nine fields joined by "##" and "@@"; one that never completes ends when the peer
    // pauses this long.
    static constexpr int idleEndMs = 200;
    // The gap between the two halves of a split echo: long enough to arrive as two blocks.
    static constexpr int splitGapMs = 100;
    // Longest message read; anything beyond is not part of it.
    static constexpr qsizetype maxMessageBytes = 64 * 1024;

    CenterSession(QTcpSocket* socket, QuarnCenter::Mode mode, QuarnCenter& center);

    // Where the first whole message in bytes ends (just past its closing frame); -1 while incomplete.
    static qsizetype messageEnd(const QByteArray& bytes);

private:
    void onReadyRead();
    void onIdle();
    void onPeerClosed();
    void complete(QByteArray message);
    void reply(const QByteArray& message);
    void flood();

    QTcpSocket* m_socket;
    QuarnCenter::Mode m_mode;
    QuarnCenter& m_center;
    QTimer* m_idle;
    QTimer* m_lifetime;
    QByteArray m_buffer;
    bool m_done = false;
};
