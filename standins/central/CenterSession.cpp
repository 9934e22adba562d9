#include "CenterSession.h"

#include <QTcpSocket>
#include <QTimer>
#include <sys/socket.h>

namespace {

// An agent that never hangs up must not keep the session for ever.
constexpr int lifetimeMs = 120000;

const QByteArray frame = QByteArrayLiteral("@@");
const QByteArray separator = QByteArrayLiteral("##");
constexpr int fieldCount = 9;
const QByteArray ack = QByteArrayLiteral("Recibido:");

} // namespace

CenterSession::CenterSession(QTcpSocket* socket, QuarnCenter::Mode mode, QuarnCenter& center)
    : QObject(&center), m_socket(socket), m_mode(mode), m_center(center), m_idle(new QTimer(this)),
      m_lifetime(new QTimer(this)) {
    m_socket->setParent(this);
    // Each write goes out as its own segment, so a split echo reaches the agent as two blocks.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_idle->setSingleShot(true);
    m_idle->setInterval(idleEndMs);
    m_lifetime->setSingleShot(true);
    connect(m_idle, &QTimer::timeout, this, &CenterSession::onIdle);
    connect(m_lifetime, &QTimer::timeout, this, [this] { m_socket->abort(); });
    connect(m_socket, &QTcpSocket::readyRead, this, &CenterSession::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &CenterSession::onPeerClosed);
    m_lifetime->start(lifetimeMs);
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
}

void CenterSession::onReadyRead() {
    const QByteArray data = m_socket->readAll();
    if (m_done)
        return;
    m_buffer += data;
    const qsizetype end = messageEnd(m_buffer);
    if (end >= 0) {
        complete(m_buffer.left(end));
    } else if (m_buffer.size() >= maxMessageBytes) {
        complete(m_buffer.left(maxMessageBytes));
    } else {
        m_idle->start();
    }
}

qsizetype CenterSession::messageEnd(const QByteArray& bytes) {
    // The frame, nine fields and the frame: the closing "@@" is the first one after the eighth separator,
    // so a frame inside a field does not end the message early.
    const qsizetype open = bytes.indexOf(frame);
    if (open < 0)
        return -1;
    qsizetype at = open + frame.size();
    for (int separators = 0; separators < fieldCount - 1; ++separators) {
        at = bytes.indexOf(separator, at);
        if (at < 0)
            return -1;
        at += separator.size();
    }
    const qsizetype close = bytes.indexOf(frame, at);
    return close < 0 ? -1 : close + frame.size();
}

void CenterSession::onIdle() {
    if (!m_done && !m_buffer.isEmpty())
        complete(m_buffer);
}

void CenterSession::onPeerClosed() {
    if (!m_done && !m_buffer.isEmpty()) {
        m_done = true;
        m_center.record(m_buffer);
    }
    deleteLater();
}

void CenterSession::complete(QByteArray message) {
    m_done = true;
    m_idle->stop();
    m_buffer.clear();
    m_center.record(message);
    if (m_center.replyDelayMs() > 0)
        QTimer::singleShot(m_center.replyDelayMs(), this, [this, message] {
            if (m_socket->state() == QAbstractSocket::ConnectedState)
                reply(message);
        });
    else
        reply(message);
}

void CenterSession::reply(const QByteArray& message) {
    const QByteArray echo = ack + message;
    switch (m_mode) {
    case QuarnCenter::Mode::Echo:
        m_socket->write(echo);
        break;
    case QuarnCenter::Mode::Wrong:
        // Differs from the echo only in case: an agent that compares loosely would take it.
        m_socket->write(QByteArrayLiteral("recibido:") + message);
        break;
    case QuarnCenter::Mode::Split: {
        const qsizetype half = echo.size() / 2;
        m_socket->write(echo.left(half));
        m_socket->flush();
        const QByteArray rest = echo.mid(half);
        QTimer::singleShot(splitGapMs, this, [this, rest] {
            if (m_socket->state() == QAbstractSocket::ConnectedState)
                m_socket->write(rest);
        });
        break;
    }
    case QuarnCenter::Mode::Close:
        m_socket->disconnectFromHost();
        break;
    case QuarnCenter::Mode::Reset: {
        // A linger time of zero makes the close a reset: the agent sees its connection torn down.
        const linger hard{1, 0};
        ::setsockopt(static_cast<int>(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                     sizeof hard);
        m_socket->abort();
        break;
    }
    case QuarnCenter::Mode::Flood:
        flood();
        break;
    case QuarnCenter::Mode::Silent:
    case QuarnCenter::Mode::Refuse:
        break;
    }
}

void CenterSession::flood() {
    // Writes more whenever the last lot has gone, for as long as the agent reads.
    static const QByteArray chunk(16 * 1024, 'X');
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesToWrite() == 0)
            m_socket->write(chunk);
    });
    m_socket->write(QByteArrayLiteral("Recibido:") + chunk);
}
