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
        auto* buffer = new QByteArray;
        connect(s, &QObject::destroyed, this, [buffer] { delete buffer; });
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QTcpSocket::readyRead, this, [this, s, buffer] {
            if (s->property("done").toBool()) {
                s->readAll();
                return;
            }
            buffer->append(s->readAll());
            const qsizetype close = buffer->indexOf("@@", 2);
            if (!buffer->startsWith("@@") || close < 0)
                return;
            const QByteArray message = buffer->left(close + 2);
            buffer->clear();
            s->setProperty("done", true);
            received.append(message);
            if (onMessage)
                onMessage(message);
            play(s, m_script(message));
        });
    }

    void play(QTcpSocket* s, QList<Piece> pieces) {
        QPointer<QTcpSocket> guard(s);
        if (pieces.isEmpty()) {
            if (m_closeAfterReply)
                s->disconnectFromHost();
            return;
        }
        const Piece first = pieces.takeFirst();
        QTimer::singleShot(first.delayMs, this, [this, guard, first, pieces] {
            if (!guard || guard->state() != QAbstractSocket::ConnectedState)
                return;
            guard->write(first.bytes);
            guard->flush();
            play(guard, pieces);
        });
    }

    QTcpServer m_server;
    Script m_script;
    bool m_closeAfterReply;
};
