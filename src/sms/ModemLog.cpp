#include "sms/ModemLog.h"

#include "core/AgentLocale.h"
#include "core/Clock.h"

#include <QDir>
#include <QFile>

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
    QFile f(currentPath());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray e = entry(m_clock.now(), answer, step, command, text);
    return f.write(e) == e.size() && f.flush();
}
