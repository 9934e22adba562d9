#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QtGlobal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A TCP server that accepts and never answers: the kernel completes every connection into the listen
// queue and nothing ever reads or writes it, as a server hung after its listener is.
class BlackHole {
public:
    BlackHole() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at = {};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof at;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&at), size) != 0 ||
            ::listen(m_fd, 64) != 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&at), &size) != 0)
            return;
        m_port = ntohs(at.sin_port);
    }
    ~BlackHole() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    BlackHole(const BlackHole&) = delete;
    BlackHole& operator=(const BlackHole&) = delete;

    // 0 when it could not listen.
    quint16 port() const { return m_port; }

private:
    int m_fd = -1;
    quint16 m_port = 0;
};

// Whether an ODBC driver that speaks to such a server by TCP is there to be pointed at it.
inline bool freeTdsInstalled() {
    QFile registry(QStringLiteral("/etc/odbcinst.ini"));
    return QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")) && registry.open(QIODevice::ReadOnly) &&
           registry.readAll().contains("[FreeTDS]");
}
