#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

class Clock;

// The monthly modem log, "modem-dic-26.log" in the program folder: one entry for each step the modem
// answered "ERROR", with the whole answer and the exact command, so the modem's side can be diagnosed.
class ModemLog {
public:
    ModemLog(QString folder, const Clock& clock);

    QString currentPath() const;

    // Three lines, each ended by CR LF: the date and the answer as received, the step and its command
    // text, the prepared message text.
    static QByteArray entry(const QDateTime& when, QByteArrayView answer, const QString& step,
                            QByteArrayView command, const QString& text);
    // Appends one entry; false when the file could not be written.
    bool append(QByteArrayView answer, const QString& step, QByteArrayView command,
                const QString& text) const;

private:
    QString m_folder;
    const Clock& m_clock;
};
