#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

// An in-test central station on 127.0.0.1. It reads one framed message per connection ("@@" ... "@@")
// and then plays the reply the test scripted, so each link rule can be driven exactly.
class ScriptedStation : public QObject {
public:
    // One piece of the reply: bytes written after a pause (ms) counted from the previous piece.
    struct Piece {
        int delayMs;
        QByteArray bytes;
    };
    using Script = std::function<QList<Piece>(const QByteArray& message)>;

    explicit ScriptedStation(Script script, bool closeAfterReply = false)
        : m_script(std::move(script)), m_closeAfterReply(closeAfterReply) {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection())
                serve(s);
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    static Script echo() {
        return [](const QByteArray& m) { return QList<Piece>{{0, "Recibido:" + m}}; };
    }
    static Script reply(QByteArray bytes) {
        return [bytes](const QByteArray&) { return QList<Piece>{{0, bytes}}; };
    }
    static Script silent() {
        return [](const QByteArray&) { return QList<Piece>{}; };
    }

    quint16 port() const { return m_server.serverPort(); }
    int connections = 0;
    QList<QByteArray> received;
    // Called when a whole message has arrived, before the reply: lets a test look at the agent mid-delivery.
    std::function<void(const QByteArray&)> onMessage;

private:
    void serve(QTcpSocket* s) {
        ++connections;
        s->setParent(this);
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        // Bytes gather on the socket until the closing frame; anything after the message is ignored.
        connect(s, &QTcpSocket::readyRead, this, [this, s] {
            if (s->property("done").toBool())
                return void(s->readAll());
            const QByteArray pending = s->property("pending").toByteArray() + s->readAll();
            s->setProperty("pending", pending);
            const qsizetype close = pending.indexOf("@@", 2);
            if (!pending.startsWith("@@") || close < 0)
                return;
            const QByteArray message = pending.left(close + 2);
            s->setProperty("done", true);
            received.append(message);
            if (onMessage)
                onMessage(message);
            play(s, m_script(message));
        });
    }

    void play(QPointer<QTcpSocket> s, QList<Piece> pieces) {
        if (pieces.isEmpty()) {
            if (m_closeAfterReply)
                s->disconnectFromHost();
            return;
        }
        const Piece first = pieces.takeFirst();
        QTimer::singleShot(first.delayMs, this, [this, s, first, pieces] {
            if (!s || s->state() != QAbstractSocket::ConnectedState)
                return;
            s->write(first.bytes);
            s->flush();
            play(s, pieces);
        });
    }

    QTcpServer m_server;
    Script m_script;
    bool m_closeAfterReply;
};
