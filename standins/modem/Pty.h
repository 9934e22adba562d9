#pragma once

#include <QString>

// A pseudo-terminal pair in raw mode. The master side is the modem's; the serial side is what the agent
// opens as its serial port. The serial side is also held open here, so that the agent closing and
// reopening its port between dialogues never leaves the master without a peer (reads would fail).
class Pty {
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    // False with a reason in errorString() when the pair can not be made.
    bool open();

    int masterFd() const { return m_master; }
    // The path of the serial side, "/dev/pts/N".
    const QString& serialPath() const { return m_serialPath; }
    const QString& errorString() const { return m_error; }

private:
    bool fail(const char* what);

    int m_master = -1;
    int m_serial = -1;
    QString m_serialPath;
    QString m_error;
};
