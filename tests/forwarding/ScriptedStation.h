#pragma once

#include "support/TestCommon.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

// An in-test central station on 127.0.0.1. It reads one framed message per connection ("@@" ... "@@")
// and then answers as the test says, so each link rule can be driven exactly.
class ScriptedStation : public QObject {
public:
    using Reply = std::function<void(QTcpSocket& socket, const QByteArray& message)>;
    static Reply echo() {
        return [](QTcpSocket& s, const QByteArray& m) { s.write("Recibido:" + m); };
    }
    static Reply reply(QByteArray bytes) {
        return [bytes](QTcpSocket& s, const QByteArray&) { s.write(bytes); };
    }

    explicit ScriptedStation(Reply reply) : m_reply(std::move(reply)) {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                ++connections;
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                connect(s, &QTcpSocket::readyRead, this, [this, s] { read(*s); });
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    quint16 port() const { return m_server.serverPort(); }
    int connections = 0;
    QList<QByteArray> received;
    // Called when a whole message has arrived, before the reply: lets a test look at the agent mid-delivery.
    std::function<void()> onMessage;

private:
    // Bytes gather on the socket until the closing frame; anything after the message is ignored.
    void read(QTcpSocket& s) {
        if (s.property("done").toBool())
            return void(s.readAll());
        const QByteArray pending = s.property("pending").toByteArray() + s.readAll();
        s.setProperty("pending", pending);
        const qsizetype close = pending.indexOf("@@", 2);
        if (!pending.startsWith("@@") || close < 0)
            return;
        s.setProperty("done", true);
        received.append(pending.left(close + 2));
        if (onMessage)
            onMessage();
        m_reply(s, received.last());
        s.flush();
    }

    QTcpServer m_server;
    Reply m_reply;
};
