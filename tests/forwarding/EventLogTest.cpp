#include "forwarding/MessageFormat.h"
#include "support/ServicesTest.h"

using EventLogTest = ServicesTest;

TEST_F(EventLogTest, MonthIsTakenWhenEachLineIsWritten) {
    // Spanish month tags where the host names no locale.
    EXPECT_EQ(EventLog::fileName(QDate(2027, 1, 31)), "VORNNET-ene-27.log");
    EXPECT_EQ(EventLog::fileName(QDate(2005, 8, 1)), "VORNNET-ago-05.log");
    clock.set(QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
    ASSERT_TRUE(log.write("uno"));
    clock.advanceSecs(1);
    ASSERT_TRUE(log.write("dos"));
    EXPECT_EQ(readFile(dir.filePath("VORNNET-nov-26.log")), QByteArray("uno\r\n"));
    EXPECT_EQ(readFile(dir.filePath("VORNNET-dic-26.log")), QByteArray("dos\r\n"));
    EXPECT_EQ(log.currentPath(), dir.filePath("VORNNET-dic-26.log"));
}

// The delivery, life test, clock and SMS lines are checked where those steps write them.
TEST_F(EventLogTest, LinesInUtf8WithCrLfThatANameCanNotForge) {
    clock.set(QDateTime(QDate(2026, 12, 6), QTime(19, 45, 3)));
    ASSERT_TRUE(log.start());
    ASSERT_TRUE(log.databaseTimeout());
    ASSERT_TRUE(log.write("5€ ñ"));
    // A name can not forge a line of its own.
    const QString forged = MessageFormat::lifeTest("P\r\nVORNNET Iniciado el x",
                                                   QDateTime(QDate(2026, 12, 6), QTime(19, 45, 0)));
    ASSERT_TRUE(log.delivery(forged));
    ASSERT_TRUE(log.write("a\rb\nc\r\n"));
    const QString now = "06/12/2026 19:45:03";
    const QStringList expected = {
        "VORNNET Iniciado el " + now,
        "La conexión con la base de datos no se ha completado en 60 segundos. Hora: " + now,
        "5€ ñ",
        "P  VORNNET Iniciado el x,LIFETEST,XX,1,XX,XX,XX,XX,2026/12/06 19:45:00 Hora envio: " + now,
        "a b c  ",
    };
    EXPECT_EQ(readFile(log.currentPath()), (expected.join("\r\n") + "\r\n").toUtf8());
}
