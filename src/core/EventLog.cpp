#include "core/EventLog.h"

#include "core/AgentLocale.h"
#include "core/Clock.h"

#include <QDir>
#include <QFile>

EventLog::EventLog(QString folder, const Clock& clock) : m_folder(std::move(folder)), m_clock(clock) {
}

QString EventLog::fileName(const QDate& date) {
    return QStringLiteral("VORNNET-") + AgentLocale::monthTag(date) + QStringLiteral(".log");
}

void EventLog::setFolderFromEnvironment(const QString& programFolder) {
    QString folder = qEnvironmentVariable("TMP");
    if (folder.isEmpty())
        folder = qEnvironmentVariable("TEMP");
    if (folder.isEmpty())
        folder = programFolder;
    m_folder = folder;
}

QString EventLog::logBody(const QString& message) {
    QString body = message;
    body.remove(QStringLiteral("@@"));
    body.replace(QStringLiteral("##"), QStringLiteral(","));
    return body;
}

QString EventLog::currentPath() const {
    return QDir(m_folder).filePath(fileName(m_clock.now().date()));
}

bool EventLog::write(const QString& text) const {
    QFile f(currentPath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    // One event, one line: a line break inside a name must not forge a line of its own.
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // The host's own encoding: only the central station's wire keeps the old single-byte code page.
    const QByteArray line = (flat + QStringLiteral("\r\n")).toUtf8();
    // A full disk shows only when the buffer reaches the file.
    return f.write(line) == line.size() && f.flush();
}

QString EventLog::now() const {
    return AgentLocale::dateTimeText(m_clock.now());
}

bool EventLog::start() const {
    return write(QStringLiteral("VORNNET Iniciado el ") + now());
}

bool EventLog::delivery(const QString& message) const {
    return write(logBody(message) + QStringLiteral(" Hora envio: ") + now());
}

bool EventLog::lifeTestFailure(const QString& message) const {
    return write(QStringLiteral("Envio de Test de Vida fallido: ") + logBody(message) +
                 QStringLiteral(" Hora envio: ") + now());
}

bool EventLog::clockFailure(const QString& message) const {
    return write(QStringLiteral("Envio de current Time fallido: ") + logBody(message) +
                 QStringLiteral(" Hora envio: ") + now());
}

bool EventLog::sms(const QString& message, const QString& recipient) const {
    return write(logBody(message) + QStringLiteral(" ENVIO POR SMS A: ") + recipient);
}

bool EventLog::auxiliarySms(const QString& message, const QString& recipient, bool sent) const {
    return write(logBody(message) + QStringLiteral(" ENVIO (AUXILIAR) POR SMS A: ") + recipient +
                 (sent ? QStringLiteral("COMPLETADO") : QStringLiteral("FALLIDO")));
}

bool EventLog::databaseTimeout() const {
    return write(
        QStringLiteral("La conexión con la base de datos no se ha completado en 60 segundos. Hora: ") +
        now());
}

bool EventLog::stepError(const QString& step, const QString& error) const {
    return write(QStringLiteral("Error en ") + step + QStringLiteral(": ") + error +
                 QStringLiteral(" Hora: ") + now());
}

bool EventLog::stepErrorCleared(const QString& step, const QString& error) const {
    return write(QStringLiteral("Error en ") + step + QStringLiteral(" resuelto: ") + error +
                 QStringLiteral(" Hora: ") + now());
}
