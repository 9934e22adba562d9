#include "support/FakeClock.h"

#include "forwarding/EventLog.h"
#include "forwarding/MessageFormat.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class EventLogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(19, 45, 3))};
    EventLog log{dir.path(), clock};
    const QString life =
        MessageFormat::lifeTest(QStringLiteral("PLANTA"), QDateTime(QDate(2026, 12, 6), QTime(19, 45, 0)));
    const QString body = QStringLiteral("PLANTA,LIFETEST,XX,1,XX,XX,XX,XX,2026/12/06 19:45:00");
};

TEST(EventLogName, SpanishMonthTagsWhereTheHostNamesNoLocale) {
    EXPECT_EQ(EventLog::fileName(QDate(2026, 12, 1)), QStringLiteral("VORNNET-dic-26.log"));
    EXPECT_EQ(EventLog::fileName(QDate(2027, 1, 31)), QStringLiteral("VORNNET-ene-27.log"));
    EXPECT_EQ(EventLog::fileName(QDate(2027, 5, 15)), QStringLiteral("VORNNET-may-27.log"));
    EXPECT_EQ(EventLog::fileName(QDate(2026, 9, 15)), QStringLiteral("VORNNET-sep-26.log"));
    EXPECT_EQ(EventLog::fileName(QDate(2005, 8, 1)), QStringLiteral("VORNNET-ago-05.log"));
}

TEST_F(EventLogTest, MonthIsTakenWhenEachLineIsWritten) {
    clock.set(QDateTime(QDate(2026, 11, 30), QTime(23, 59, 59)));
    ASSERT_TRUE(log.write(QStringLiteral("uno")));
    clock.advanceSecs(1);
    ASSERT_TRUE(log.write(QStringLiteral("dos")));
    EXPECT_EQ(contents(dir.filePath(QStringLiteral("VORNNET-nov-26.log"))), QByteArray("uno\r\n"));
    EXPECT_EQ(contents(dir.filePath(QStringLiteral("VORNNET-dic-26.log"))), QByteArray("dos\r\n"));
    EXPECT_EQ(log.currentPath(), dir.filePath(QStringLiteral("VORNNET-dic-26.log")));
}

TEST_F(EventLogTest, LinesAreAppendedInUtf8WithCrLf) {
    ASSERT_TRUE(log.databaseTimeout());
    ASSERT_TRUE(log.write(QStringLiteral("5€ ñ")));
    EXPECT_EQ(contents(log.currentPath()),
              QByteArray("La conexi\xC3\xB3n con la base de datos no se ha completado en 60 segundos. "
                         "Hora: 06/12/2026 19:45:03\r\n5\xE2\x82\xAC \xC3\xB1\r\n"));
}

TEST_F(EventLogTest, EachLineKindHasItsText) {
    ASSERT_TRUE(log.start());
    ASSERT_TRUE(log.delivery(life));
    ASSERT_TRUE(log.lifeTestFailure(life));
    ASSERT_TRUE(log.clockFailure(life));
    ASSERT_TRUE(log.sms(life, QStringLiteral("600111222")));
    ASSERT_TRUE(log.auxiliarySms(life, QStringLiteral("600333444"), true));
    ASSERT_TRUE(log.auxiliarySms(life, QStringLiteral("600555666"), false));
    const QString now = QStringLiteral("06/12/2026 19:45:03");
    const QStringList expected = {
        QStringLiteral("VORNNET Iniciado el ") + now,
        body + QStringLiteral(" Hora envio: ") + now,
        QStringLiteral("Envio de Test de Vida fallido: ") + body + QStringLiteral(" Hora envio: ") + now,
        QStringLiteral("Envio de current Time fallido: ") + body + QStringLiteral(" Hora envio: ") + now,
        body + QStringLiteral(" ENVIO POR SMS A: 600111222"),
        body + QStringLiteral(" ENVIO (AUXILIAR) POR SMS A: 600333444COMPLETADO"),
        body + QStringLiteral(" ENVIO (AUXILIAR) POR SMS A: 600555666FALLIDO"),
    };
    EXPECT_EQ(contents(log.currentPath()),
              (expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
}

TEST_F(EventLogTest, UnwritableFolderReportsFailure) {
    log.setFolder(dir.filePath(QStringLiteral("no/such/folder")));
    EXPECT_FALSE(log.start());
    EXPECT_FALSE(QFile::exists(log.currentPath()));
}

} // namespace
