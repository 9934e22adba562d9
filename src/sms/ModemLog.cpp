#include "sms/ModemLog.h"

#include "core/runtime/Clock.h"
#include "core/runtime/Files.h"
#include "core/text/AgentLocale.h"

#include <QDir>

ModemLog::ModemLog(QString folder, const Clock& clock) : m_folder(std::move(folder)), m_clock(clock) {
}

QString ModemLog::currentPath() const {
    return QDir(m_folder).filePath(QStringLiteral("modem-") + AgentLocale::monthTag(m_clock.now().date()) +
                                   QStringLiteral(".log"));
}

QByteArray ModemLog::entry(const QDateTime& when, QByteArrayView answer, const QString& step,
                           QByteArrayView command, const QString& text) {
    QByteArray e = "Date: " + AgentLocale::dateTimeText(when).toUtf8() + " Respuesta del modem:";
    e += answer;
    e += "\r\nCommand:" + step.toUtf8() + "  CommandString: ";
    e += command;
    e += "\r\nString:" + text.toUtf8() + "\r\n";
    return e;
}

bool ModemLog::append(QByteArrayView answer, const QString& step, QByteArrayView command,
                      const QString& text) const {
    return appendToFile(currentPath(), entry(m_clock.now(), answer, step, command, text));
}
