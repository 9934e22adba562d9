#include "forwarding/MessageFormat.h"
#include "support/TestCommon.h"

const QDateTime event(QDate(2026, 12, 5), QTime(7, 3, 9));

TEST(MessageFormat, EachKindOnTheWire) {
    // Bars go from the plant only and quotes become "-" only in a live alarm; fields are never escaped.
    EXPECT_EQ(
        MessageFormat::liveAlarm("PL|AN|TA \"N\"", 1234, "1", "Nivel \"alto\" | x", "Bomba \"2\"", event),
        "@@PLANTA -N-##ALARM##1234##1##Nivel -alto- | x##?##ADD##Bomba -2-##2026/12/05 07:03:09@@");
    // A frame inside a field of a live alarm becomes "@-", so the message ends only at its own frame.
    EXPECT_EQ(
        MessageFormat::liveAlarm("P", 0, "0", "a##b", "d@@e", QDateTime(QDate(2027, 1, 2), QTime(0, 0))),
        "@@P##ALARM##0##0##a##b##?##ADD##d@-e##2027/01/02 00:00:00@@");
    EXPECT_EQ(MessageFormat::liveAlarm("@@P@@@", 7, "1", "@@@@x@", "@", event),
              "@@@-P@-@##ALARM##7##1##@-@-x@##?##ADD##@##2026/12/05 07:03:09@@");
    EXPECT_EQ(MessageFormat::bufferedMessage("PL|ANTA", "1", "Modo \"SMS\" Activado", "SISTEMA", event),
              "@@PL|ANTA##ALARM##0##1##Modo \"SMS\" Activado##?##ADD##SISTEMA##2026/12/05 07:03:09@@");
    EXPECT_EQ(MessageFormat::bufferedMessage("P@@", "1", "a@@b", "S", event),
              "@@P@@##ALARM##0##1##a@@b##?##ADD##S##2026/12/05 07:03:09@@")
        << "the agent's own notices keep their texts";
    EXPECT_EQ(MessageFormat::lifeTest("PL|A\"B", event),
              "@@PL|A\"B##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/05 07:03:09@@");
    EXPECT_EQ(MessageFormat::clock("PL|A", event),
              "@@PL|A##CURRENTTIME##XX##1##XX##XX##XX##XX##2026/12/05 07:03:09@@");
}

TEST(MessageFormat, LogBodyAndSmsNotice) {
    // Frames inside a field go too, and "###" turns into "," + "#".
    EXPECT_EQ(EventLog::logBody("@@a@@b###c@@"), "ab,#c");

    // The fallback locale writes its dates with "/".
    EXPECT_EQ(MessageFormat::smsNotice("PL|ANTA", "Bomba", "1", "Nivel \"alto\"", event),
              "PL|ANTA: Bomba: Inicio Nivel \"alto\" 05/12/26 07:03:09");
    EXPECT_EQ(MessageFormat::smsNotice("P", "SISTEMA", "0", "Modo SMS Activado",
                                       QDateTime(QDate(2027, 1, 9), QTime(16, 0, 1)),
                                       MessageFormat::SmsKind::Buffered),
              "P: SISTEMA: Fin Modo SMS Activado 09/01/27 16:00:01");
}
