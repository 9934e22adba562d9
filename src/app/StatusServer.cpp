#include "app/StatusServer.h"

#include "core/runtime/Diagnostics.h"

#include <QDir>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>

StatusServer::StatusServer(StatusSnapshot snapshot, QObject* parent)
    : QObject(parent), m_snapshot(std::move(snapshot)), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption | QLocalServer::GroupAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &StatusServer::answer);
}

StatusServer::~StatusServer() {
    m_server->close();
}

QString StatusServer::socketPath(const QString& programFolder) {
    return QDir(programFolder).filePath(QStringLiteral("vornnet.sock"));
}

bool StatusServer::listen(const QString& programFolder) {
    const QString path = socketPath(programFolder);
    QLocalServer::removeServer(path);
    if (m_server->listen(path))
        return true;
    qCWarning(lcAgent).noquote() << QStringLiteral(
                                        "no se ha creado el socket de estado %1 (%2): --status no responderá")
                                        .arg(path, m_server->errorString());
    return false;
}

void StatusServer::answer() {
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A snapshot that can not be made leaves the client without an answer, not the agent ended.
        Diagnostics::handled("respuesta a --status", [this, client] {
            client->write(QJsonDocument(m_snapshot.json()).toJson(QJsonDocument::Compact) + '\n');
        });
        // Closes once written; a client that reads nothing can not hold the agent up.
        client->disconnectFromServer();
    }
}
