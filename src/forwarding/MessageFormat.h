#pragma once

#include <QDateTime>
#include <QString>

// Texts the agent sends to the central station, the reply it expects, the SMS notice of an alarm that
// could not be delivered. Pure functions.
namespace MessageFormat {

// "2026/12/05 07:03:09": the date-time of every message.
QString messageDateTime(const QDateTime& when);

// Names from the supervision database: "|" leaves the plant, "@@" inside a field becomes "@-", and '"'
// becomes "-".
QString liveAlarm(const QString& plant, qint64 code, const QString& state, const QString& alarmText,
                  const QString& device, const QDateTime& eventTime);
QString bufferedMessage(const QString& plant, const QString& state, const QString& alarmText,
                        const QString& device, const QDateTime& storedDate);
QString lifeTest(const QString& plant, const QDateTime& now);
QString clock(const QString& plant, const QDateTime& nowPlusOffset);

// The notice of a live alarm uses the host's date separator; a buffered one always "/".
enum class SmsKind { Live, Buffered };
QString smsNotice(const QString& plant, const QString& device, const QString& state, const QString& alarmText,
                  const QDateTime& eventTime, SmsKind kind = SmsKind::Live);

QString expectedReply(const QString& message);

} // namespace MessageFormat
