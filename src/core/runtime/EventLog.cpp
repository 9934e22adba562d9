#include "core/runtime/EventLog.h"

#include "core/runtime/Clock.h"
#include "core/runtime/Diagnostics.h"
#include "core/runtime/Files.h"
#include "core/text/AgentLocale.h"

#include <QDir>
#include <cerrno>

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
    // The name changes with the month only: made again when the day or the folder differs.
    const QDate today = m_clock.now().date();
    if (today != m_pathDate || m_folder != m_pathFolder) {
        m_path = QDir(m_folder).filePath(fileName(today));
        m_pathDate = today;
        m_pathFolder = m_folder;
    }
    return m_path;
}

bool EventLog::write(const QString& text) const {
    // One event, one line: a line break inside a name must not forge a line of its own.
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // The host's own encoding: only the central station's wire keeps the old single-byte code page.
    const QByteArray line = (flat + QStringLiteral("\r\n")).toUtf8();
    const QString path = currentPath();
    if (appendToFile(path, line)) {
        if (!m_failure.isEmpty())
            qCInfo(lcLog).noquote() << "el registro de eventos se escribe de nuevo en" << path << "tras"
                                    << m_unwritten << "líneas sin escribir";
        m_failure.clear();
        return true;
    }
    const int cause = errno;
    ++m_unwritten;
    const QString failure =
        QStringLiteral("No se puede escribir en %1: %2").arg(path, qt_error_string(cause));
    if (failure != m_failure)
        qCWarning(lcLog).noquote() << failure
                                   << "(las entregas siguen; las líneas sin escribir se cuentan en --status)";
    m_failure = failure;
    return false;
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
