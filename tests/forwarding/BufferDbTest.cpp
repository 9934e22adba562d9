#include "forwarding/BufferDb.h"
#include "core/runtime/AgentError.h"
#include "core/text/AgentLocale.h"
#include "support/ServicesTest.h"

class BufferDbTest : public ServicesTest {
protected:
    QString path = BufferDb::pathIn(dir.path());
    BufferDb buffer{path, dialogs};
};

TEST_F(BufferDbTest, MissingBufferIsNeverCreatedAndAFailedInsertShowsTheNoticeAndTheError) {
    EXPECT_THROW(buffer.open(), AgentError);
    const QDateTime when(QDate(2026, 3, 1), QTime(6, 5, 4));
    EXPECT_FALSE(buffer.PonEnBuffer("SISTEMA", "Disco duro: Superado el mínimo espacio libre.", "1", when));
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].title, Dialogs::defaultTitle);
    const QString expectedStart =
        "Error añadiendo la alarma especial al buffer\n\nDevice:SISTEMA Alarm:Disco duro: "
        "Superado el mínimo espacio libre.\nInifin:1 Date:" +
        AgentLocale::dateTimeText(when) + "\n\n";
    EXPECT_TRUE(dialogs.shown[0].text.startsWith(expectedStart)) << dialogs.shown[0].text;
    EXPECT_GT(dialogs.shown[0].text.size(), expectedStart.size()) << "the error's description follows";

    // A buffer without its table: the driver's description ends the text.
    ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
    EXPECT_FALSE(buffer.PonEnBuffer("SISTEMA", "x", "0", when));
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_TRUE(dialogs.shown[1].text.contains("no such table")) << dialogs.shown[1].text;
}

// Rows, their order and the 7-day window are checked through the scan's resend.
TEST_F(BufferDbTest, CreatedBufferTakesNoticesAndAnExistingOneIsLeftAlone) {
    QString error;
    ASSERT_TRUE(BufferDb::create(path, &error)) << error;
    buffer.open();
    ASSERT_TRUE(buffer.PonEnBuffer("AVISO", "Gelmar Reiniciado por falta de datos", "1", clock.now()));
    EXPECT_FALSE(BufferDb::create(path, &error));
    EXPECT_FALSE(error.isEmpty());
    const QList<BufferRow> rows = buffer.rowsAfter(0, clock.now().addDays(-7));
    ASSERT_EQ(rows.size(), 1) << "an existing buffer is left alone";
    EXPECT_EQ(rows[0].date, clock.now());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}
