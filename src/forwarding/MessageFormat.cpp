#include "forwarding/MessageFormat.h"

#include "core/text/AgentLocale.h"
#include "core/text/FixedDateText.h"

namespace MessageFormat {

namespace {

const QString frame = QStringLiteral("@@");
const QString sep = QStringLiteral("##");
const QString filler = QStringLiteral("##XX##1##XX##XX##XX##XX##");

QString alarmBody(const QString& plant, const QString& code, const QString& state, const QString& alarmText,
                  const QString& device, const QDateTime& when) {
    return frame + plant + sep + QStringLiteral("ALARM") + sep + code + sep + state + sep + alarmText +
           QStringLiteral("##?##") + QStringLiteral("ADD") + sep + device + sep + messageDateTime(when) +
           frame;
}

// A frame inside a field would end the message early for the station, whose echo would then never match
// and hold every later alarm: "@@" becomes "@-" (left to right, so no "@@" is left, whatever the run).
QString unframed(const QString& field) {
    QString text = field;
    text.replace(frame, QStringLiteral("@-"));
    return text;
}

QString dateSeparator() {
    // The regional short date format's first non-digit separator; "/" where it shows none.
    const QString fmt = AgentLocale::locale().dateFormat(QLocale::ShortFormat);
    for (const QChar c : fmt)
        if (!c.isLetter())
            return QString(c);
    return QStringLiteral("/");
}

} // namespace

QString messageDateTime(const QDateTime& when) {
    return FixedDateText::yearFirst(when);
}

QString liveAlarm(const QString& plant, qint64 code, const QString& state, const QString& alarmText,
                  const QString& device, const QDateTime& eventTime) {
    QString cleanPlant = plant;
    cleanPlant.remove(QLatin1Char('|'));
    QString msg = alarmBody(unframed(cleanPlant), QString::number(code), state, unframed(alarmText),
                            unframed(device), eventTime);
    msg.replace(QLatin1Char('"'), QLatin1Char('-'));
    return msg;
}

QString bufferedMessage(const QString& plant, const QString& state, const QString& alarmText,
                        const QString& device, const QDateTime& storedDate) {
    return alarmBody(plant, QStringLiteral("0"), state, alarmText, device, storedDate);
}

QString lifeTest(const QString& plant, const QDateTime& now) {
    return frame + plant + sep + QStringLiteral("LIFETEST") + filler + messageDateTime(now) + frame;
}

QString clock(const QString& plant, const QDateTime& nowPlusOffset) {
    return frame + plant + sep + QStringLiteral("CURRENTTIME") + filler + messageDateTime(nowPlusOffset) +
           frame;
}

QString smsNotice(const QString& plant, const QString& device, const QString& state, const QString& alarmText,
                  const QDateTime& eventTime, SmsKind kind) {
    const QString ds = kind == SmsKind::Live ? dateSeparator() : QStringLiteral("/");
    const QString when = eventTime.toString(QStringLiteral("dd") + ds + QStringLiteral("MM") + ds +
                                            QStringLiteral("yy HH:mm:ss"));
    return plant + QStringLiteral(": ") + device + QStringLiteral(": ") +
           (state == QLatin1String("1") ? QStringLiteral("Inicio") : QStringLiteral("Fin")) +
           QLatin1Char(' ') + alarmText + QLatin1Char(' ') + when;
}

QString expectedReply(const QString& message) {
    return QStringLiteral("Recibido:") + message;
}

} // namespace MessageFormat
