#include "app/StatusClient.h"

#include "app/StatusServer.h"
#include "app/StatusSnapshot.h"
#include "core/runtime/BoundedWait.h"

#include <QDir>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QLockFile>
#include <cerrno>
#include <csignal>
#include <cstdio>

StatusClient::Asked StatusClient::ask(QJsonObject* status) {
    QLocalSocket socket;
    BoundedWait wait;
    QObject::connect(&socket, &QLocalSocket::connected, &wait, &BoundedWait::wake);
    QObject::connect(&socket, &QLocalSocket::readyRead, &wait, &BoundedWait::wake);
    QObject::connect(&socket, &QLocalSocket::disconnected, &wait, &BoundedWait::wake);
    QObject::connect(&socket, &QLocalSocket::errorOccurred, &wait, &BoundedWait::wake);
    bool refused = false;
    QObject::connect(&socket, &QLocalSocket::errorOccurred, [&refused](QLocalSocket::LocalSocketError e) {
        refused =
            refused || e == QLocalSocket::ServerNotFoundError || e == QLocalSocket::ConnectionRefusedError;
    });
    QByteArray reply;
    QObject::connect(&socket, &QLocalSocket::readyRead, [&] { reply += socket.readAll(); });
    socket.connectToServer(StatusServer::socketPath(m_folder));
    // A stopped agent accepts the connection in the kernel and never writes: the wait ends it.
    wait.until([&] { return refused || reply.endsWith('\n'); }, answerWait);
    if (refused)
        return Asked::NoSocket;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(reply.trimmed(), &error);
    if (!reply.endsWith('\n') || error.error != QJsonParseError::NoError || !doc.isObject())
        return Asked::Silent;
    *status = doc.object();
    return Asked::Answered;
}

bool StatusClient::lockHeld(const QString& programFolder) {
    QLockFile lock(QDir(programFolder).filePath(QStringLiteral("vornnet.lock")));
    qint64 pid = 0;
    QString host, app;
    if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

int StatusClient::run(bool json) {
    QJsonObject status;
    switch (ask(&status)) {
    case Asked::NoSocket:
        if (!lockHeld(m_folder)) {
            std::printf("No hay ningún agente en marcha en %s\n",
                        qPrintable(QDir::toNativeSeparators(m_folder)));
            return NoAgent;
        }
        [[fallthrough]];
    case Asked::Silent:
        std::printf(
            "El agente de %s está en marcha pero no ha respondido en %lld s (arrancando o bloqueado)\n",
            qPrintable(QDir::toNativeSeparators(m_folder)),
            static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(answerWait).count()));
        return NoAnswer;
    case Asked::Answered:
        break;
    }
    if (json)
        std::printf("%s\n", QJsonDocument(status).toJson(QJsonDocument::Compact).constData());
    else
        std::fputs(text(status).toUtf8().constData(), stdout);
    return StatusSnapshot::allNormal(status) ? Normal : SomethingOpen;
}

QString StatusClient::text(const QJsonObject& status) {
    const auto field = [&status](const char* key) { return status.value(QLatin1String(key)); };
    const QJsonObject controls = field("controls").toObject();
    const auto control = [&controls](const char* name) {
        const QString t = controls.value(QLatin1String(name)).toString();
        return t.isEmpty() ? QStringLiteral("-") : t;
    };
    QString out;
    const auto line = [&out](const QString& label, const QString& value) {
        out += label + QStringLiteral(": ") + value + QLatin1Char('\n');
    };
    line(QStringLiteral("Agente"), QStringLiteral("VORN-NET %1, proceso %2")
                                       .arg(field("version").toString())
                                       .arg(field("pid").toInteger()));
    if (const QString incomplete = field("incompleteStartup").toString(); !incomplete.isEmpty())
        out += incomplete + QLatin1Char('\n');
    line(QStringLiteral("Planta"), field("plant").toString());
    const QString unknown = field("positionError").toString();
    line(QStringLiteral("Última alarma entregada"),
         !unknown.isEmpty()           ? QStringLiteral("desconocida (%1)").arg(unknown)
         : field("position").isNull() ? QStringLiteral("ninguna")
                                      : QString::number(field("position").toInteger()));
    line(QStringLiteral("Entregas"),
         field("failingSince").isNull()
             ? QStringLiteral("al día")
             : QStringLiteral("fallando desde ") + StatusSnapshot::localText(field("failingSince")));
    line(QStringLiteral("Modo SMS"),
         field("smsMode").toBool() ? QStringLiteral("activado") : QStringLiteral("no"));
    const QStringList open = StatusSnapshot::openConditions(status);
    line(QStringLiteral("Condiciones abiertas"),
         open.isEmpty() ? QStringLiteral("ninguna") : open.join(QStringLiteral(", ")));
    const qint64 unwritten = field("unwrittenLogLines").toInteger();
    const QJsonValue logFailure = field("logFailure");
    line(QStringLiteral("Registro de eventos"),
         unwritten == 0 ? QStringLiteral("todas las líneas escritas")
                        : QStringLiteral("%1 líneas sin escribir").arg(unwritten) +
                              (logFailure.isNull() ? QStringLiteral(" (ahora se escribe)")
                                                   : QStringLiteral(": ") + logFailure.toString()));
    line(QStringLiteral("Proceso"), control("lblProceso"));
    line(QStringLiteral("Estado del enlace"), control("ESTADO"));
    line(QStringLiteral("Enlaces cifrados"), StatusSnapshot::securedText(status));
    line(QStringLiteral("Error"), control("txtError"));
    line(QStringLiteral("Señal GSM"), control("lblSignal"));
    line(QStringLiteral("Último test de vida"), control("lblFechaLifeTest"));
    line(QStringLiteral("Último registro"), control("lblLastDate"));
    line(QStringLiteral("Registros en 20 min"), control("lblNumVidas"));
    line(QStringLiteral("Alarmas en 60 min"), control("lblAlmVidas"));
    line(QStringLiteral("Adquisición"), control("lblEstadoAdquisicion"));
    return out;
}
