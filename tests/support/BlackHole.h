#pragma once

#include <QFile>
#include <QSqlDatabase>
#include <QTcpServer>

// A TCP server that accepts and never answers, as a server hung after its listener is: what comes in is
// never read or answered.
class BlackHole {
public:
    BlackHole() { m_server.listen(QHostAddress::LocalHost); }
    // 0 when it could not listen.
    quint16 port() const { return m_server.serverPort(); }

private:
    QTcpServer m_server;
};

// Whether an ODBC driver that speaks to such a server by TCP is there to be pointed at it.
inline bool freeTdsInstalled() {
    QFile registry(QStringLiteral("/etc/odbcinst.ini"));
    return QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")) && registry.open(QIODevice::ReadOnly) &&
           registry.readAll().contains("[FreeTDS]");
}
