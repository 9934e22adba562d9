#pragma once

#include "app/StatusSnapshot.h"

#include <QObject>
#include <QString>

class QLocalServer;

// Answers `vornnet --status` from the window model: each connection on the folder's local socket gets one
// JSON line of what the window shows, and is closed. The socket is the file vornnet.sock in the program
// folder, open to its owner and group only, as the folder itself is to its writers.
class StatusServer : public QObject {
    Q_OBJECT
public:
    explicit StatusServer(StatusSnapshot snapshot, QObject* parent = nullptr);
    ~StatusServer() override;

    static QString socketPath(const QString& programFolder);

    // Only the copy that holds the folder's lock listens, so a socket file left by a killed copy is
    // removed here. False (and told) when the socket can not be made.
    bool listen(const QString& programFolder);

private:
    void answer();

    StatusSnapshot m_snapshot;
    QLocalServer* m_server;
};
