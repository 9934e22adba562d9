#include "forwarding/MessageFormat.h"
#include "core/Windows1252.h"

#include <gtest/gtest.h>

namespace {

const QDateTime event(QDate(2026, 12, 5), QTime(7, 3, 9));

TEST(MessageFormat, DateTimeIsAlwaysNineteenCharacters) {
    EXPECT_EQ(MessageFormat::messageDateTime(event), QStringLiteral("2026/12/05 07:03:09"));
    EXPECT_EQ(MessageFormat::messageDateTime(QDateTime(QDate(2027, 1, 2), QTime(0, 0))),
              QStringLiteral("2027/01/02 00:00:00"));
    EXPECT_EQ(MessageFormat::messageDateTime(QDateTime(QDate(2026, 6, 30), QTime(23, 59, 59))),
              QStringLiteral("2026/06/30 23:59:59"));
}

TEST(MessageFormat, LiveAlarmCleansBarsFromPlantAndQuotesEverywhere) {
    const QString m =
        MessageFormat::liveAlarm(QStringLiteral("PL|AN|TA \"N\""), 1234, QStringLiteral("1"),
                                 QStringLiteral("Nivel \"alto\" | x"), QStringLiteral("Bomba \"2\""), event);
    EXPECT_EQ(m, QStringLiteral("@@PLANTA -N-##ALARM##1234##1##Nivel -alto- | x##?##ADD##Bomba -2-##"
                                "2026/12/05 07:03:09@@"));
    EXPECT_EQ(MessageFormat::liveAlarm(QStringLiteral("P"), 0, QStringLiteral("0"), QStringLiteral("a##b"),
                                       QStringLiteral("d@@e"), event),
              QStringLiteral("@@P##ALARM##0##0##a##b##?##ADD##d@@e##2026/12/05 07:03:09@@"))
        << "fields are never escaped";
}

TEST(MessageFormat, BufferedMessageKeepsBarsAndQuotesAndCodeZero) {
    EXPECT_EQ(MessageFormat::bufferedMessage(QStringLiteral("PL|ANTA"), QStringLiteral("1"),
                                             QStringLiteral("Modo \"SMS\" Activado"),
                                             QStringLiteral("SISTEMA"), event),
              QStringLiteral("@@PL|ANTA##ALARM##0##1##Modo \"SMS\" Activado##?##ADD##SISTEMA##"
                             "2026/12/05 07:03:09@@"));
}

TEST(MessageFormat, LifeTestAndClockKeepThePlantAsItIs) {
    EXPECT_EQ(MessageFormat::lifeTest(QStringLiteral("PL|A\"B"), event),
              QStringLiteral("@@PL|A\"B##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/05 07:03:09@@"));
    EXPECT_EQ(MessageFormat::clock(QStringLiteral("PL|A"), event),
              QStringLiteral("@@PL|A##CURRENTTIME##XX##1##XX##XX##XX##XX##2026/12/05 07:03:09@@"));
}

TEST(MessageFormat, WireBytesAreWindows1252) {
    const QString m = MessageFormat::liveAlarm(QStringLiteral("Año"), 5, QStringLiteral("1"),
                                               QStringLiteral("Coste 3€"), QStringLiteral("Cámara"), event);
    EXPECT_EQ(Windows1252::encode(m), QByteArray("@@A\xF1o##ALARM##5##1##Coste 3\x80##?##ADD##C\xE1mara##"
                                                 "2026/12/05 07:03:09@@"));
    EXPECT_EQ(Windows1252::decode(Windows1252::encode(m)), m);
}

TEST(MessageFormat, ReplyAndLogBody) {
    const QString life = MessageFormat::lifeTest(QStringLiteral("PLANTA"), event);
    EXPECT_EQ(MessageFormat::expectedReply(life), QStringLiteral("Recibido:") + life);
    EXPECT_EQ(MessageFormat::logBody(life),
              QStringLiteral("PLANTA,LIFETEST,XX,1,XX,XX,XX,XX,2026/12/05 07:03:09"));
    // Frames inside a field go too, and "###" turns into "," + "#".
    EXPECT_EQ(MessageFormat::logBody(QStringLiteral("@@a@@b###c@@")), QStringLiteral("ab,#c"));
}

TEST(MessageFormat, SmsNotice) {
    // The fallback locale writes its dates with "/".
    EXPECT_EQ(MessageFormat::smsNotice(QStringLiteral("PL|ANTA"), QStringLiteral("Bomba"),
                                       QStringLiteral("1"), QStringLiteral("Nivel \"alto\""), event),
              QStringLiteral("PL|ANTA: Bomba: Inicio Nivel \"alto\" 05/12/26 07:03:09"));
    EXPECT_EQ(MessageFormat::smsNotice(QStringLiteral("P"), QStringLiteral("SISTEMA"), QStringLiteral("0"),
                                       QStringLiteral("Modo SMS Activado"),
                                       QDateTime(QDate(2027, 1, 9), QTime(16, 0, 1)),
                                       MessageFormat::SmsKind::Buffered),
              QStringLiteral("P: SISTEMA: Fin Modo SMS Activado 09/01/27 16:00:01"));
}

} // namespace
