#include "QuarnCenter.h"

#include "CenterSession.h"

#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// How often a mode file is looked at when no connection comes, so "refuse" can close the port.
constexpr int modePollMs = 100;

} // namespace

std::optional<QuarnCenter::Mode> QuarnCenter::parseMode(const QString& word) {
    const QString w = word.trimmed().toLower();
    if (w == QLatin1String("echo"))
        return Mode::Echo;
    if (w == QLatin1String("silent"))
        return Mode::Silent;
    if (w == QLatin1String("wrong"))
        return Mode::Wrong;
    if (w == QLatin1String("split"))
        return Mode::Split;
    if (w == QLatin1String("close"))
        return Mode::Close;
    if (w == QLatin1String("refuse"))
        return Mode::Refuse;
    if (w == QLatin1String("reset"))
        return Mode::Reset;
    if (w == QLatin1String("flood"))
        return Mode::Flood;
    return std::nullopt;
}

QuarnCenter::QuarnCenter(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_server(new QTcpServer(this)),
      m_modePoll(new QTimer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &QuarnCenter::onNewConnection);
    m_modePoll->setInterval(modePollMs);
    connect(m_modePoll, &QTimer::timeout, this, &QuarnCenter::applyRefuse);
}

bool QuarnCenter::start() {
    if (!m_server->listen(QHostAddress::Any, m_options.port)) {
        m_error = m_server->errorString();
        return false;
    }
    m_port = m_server->serverPort();
    applyRefuse();
    if (!m_options.modeFilePath.isEmpty())
        m_modePoll->start();
    return true;
}

QuarnCenter::Mode QuarnCenter::mode() const {
    if (m_options.modeFilePath.isEmpty())
        return m_options.mode;
    QFile f(m_options.modeFilePath);
    if (!f.open(QIODevice::ReadOnly))
        return m_options.mode;
    return parseMode(QString::fromLatin1(f.read(64))).value_or(m_options.mode);
}

void QuarnCenter::applyRefuse() {
    const bool refuse = mode() == Mode::Refuse;
    if (refuse && m_server->isListening()) {
        m_server->close();
    } else if (!refuse && !m_server->isListening()) {
        // The port was ours before; if someone took it meanwhile, the next look tries again.
        m_server->listen(QHostAddress::Any, m_port);
    }
}

void QuarnCenter::onNewConnection() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const Mode now = mode();
        if (now == Mode::Refuse) {
            socket->abort();
            socket->deleteLater();
            applyRefuse();
            continue;
        }
        new CenterSession(socket, now, *this);
    }
}

void QuarnCenter::record(const QByteArray& message) {
    if (m_options.recordPath.isEmpty())
        return;
    QFile f(m_options.recordPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    f.write(message + '\n');
    f.flush();
}
