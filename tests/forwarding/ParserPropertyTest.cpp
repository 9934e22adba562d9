// Seeded properties of every parser of outside input, over generated input: what is written reads back,
// well-formed input is never misread, and junk never crashes nor gives a result out of its bounds. Here
// and not in the whole-process suite, so that the sanitizer pass runs them. VORNNET_TEST_SEED repeats one.
#include "ScriptedStation.h"

#include "core/text/FixedDateText.h"
#include "forwarding/MessageFormat.h"
#include "forwarding/UltCodFile.h"
#include "sms/ModemReply.h"
#include "sms/SignalQuality.h"
#include "supervision/SupervisionSql.h"
#include "support/Junk.h"
#include "support/LinkFields.h"
#include "support/TestSeed.h"

// Each property seeded and printed under its own name.
class ParserProperty : public ::testing::Test {
protected:
    QRandomGenerator random{testSeed(::testing::UnitTest::GetInstance()->current_test_info()->name())};
    Junk junk{random};
};

TEST_F(ParserProperty, PositionFiles) {
    static const QByteArray filler[] = {" ", "\t", "\r\n", QByteArray("\0", 1), "\xC2\xA0"};
    for (int i = 0; i < 2000; ++i) {
        const qint64 value =
            static_cast<qint64>(random.generate64() >> junk.below(64)) * (junk.below(2) ? 1 : -1);
        ASSERT_EQ(UltCodFile::parse(UltCodFile::content(value)), value) << "written reads back";
        // Filler, the number, then anything that does not go on with it.
        QByteArray shaped = junk.oneIn(2) ? QByteArray("\xEF\xBB\xBF") : QByteArray();
        for (int k = junk.below(4); k > 0; --k)
            shaped += filler[junk.below(std::size(filler))];
        shaped += QByteArray::number(value) + (junk.oneIn(2) ? QByteArray("\r\n") : "x" + junk.bytes(2));
        ASSERT_EQ(UltCodFile::parse(shaped), value) << shaped.toHex();
        // Junk: no number, or one whose digits stand in the text (whatever its encoding puts between them).
        const QByteArray bad = junk.bytes(junk.below(8));
        QByteArray digits = bad;
        digits.removeIf([](char c) { return c < '0' || c > '9'; });
        if (const auto n = UltCodFile::parse(bad))
            ASSERT_TRUE(digits.contains(QByteArray::number(*n).replace("-", ""))) << bad.toHex();
    }
}

TEST_F(ParserProperty, IniLines) {
    for (int i = 0; i < 1500; ++i) {
        QString content;
        for (int line = junk.below(10); line > 0; --line)
            content +=
                (junk.oneIn(4) ? "[" + junk.text(2) + "]" : junk.text(2) + "=" + junk.text(junk.below(6))) +
                (junk.oneIn(5) ? "\n" : "\r\n");
        const QString key = junk.oneIn(2) ? QString("RemotePort") : QString("k%1").arg(junk.below(50));
        // A value as the agent writes one: one line, no blanks or quotes (either kind) at its ends.
        QString value = junk.text(junk.below(6)).remove(QRegularExpression(QStringLiteral("[\\r\\n\\x00]")));
        value = value.left(IniFile::maxValue).trimmed();
        while (!value.isEmpty() && QStringLiteral("\"'").contains(value.front()))
            value = value.mid(1).trimmed();
        while (!value.isEmpty() && QStringLiteral("\"'").contains(value.back()))
            value = value.chopped(1).trimmed();
        // Another key of the file, read before and after the write.
        content += QStringLiteral("[CONFIG]\r\nother=kept\r\n");
        const QString before = IniFile::readFrom(content, "CONFIG", "other");
        const QString written = IniFile::writeInto(content, "CONFIG", key, value);
        ASSERT_EQ(IniFile::readFrom(written, "CONFIG", key), value) << written;
        ASSERT_EQ(IniFile::readFrom(written, "CONFIG", "other"), before) << written;
        // Any file at all: a value within its bound.
        ASSERT_LE(IniFile::readFrom(content, junk.text(1), key).size(), IniFile::maxValue);
        ASSERT_LE(IniFile::decode(junk.bytes(8)).size(), 8 * 400);
    }
}

TEST_F(ParserProperty, DatabaseDateTexts) {
    const SupervisionSql sqlite(DbEngine::Sqlite);
    for (int i = 0; i < 3000; ++i) {
        const QDateTime when(QDate(random.bounded(1, 10000), random.bounded(1, 13), random.bounded(1, 29)),
                             QTime(random.bounded(24), random.bounded(60), random.bounded(60)));
        ASSERT_EQ(FixedDateText::yearFirst(when), when.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
        ASSERT_EQ(FixedDateText::dayFirst(when), when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
        const QString text = sqlite.dateText(when);
        // A time the local clock skips (a change of hour) moves; any other reads back exactly.
        const QDateTime back = SupervisionSql::toDateTime(text);
        ASSERT_TRUE(back.isValid()) << text;
        if (back.time() == when.time())
            ASSERT_EQ(back, when) << text;
        // One character changed: unreadable, or a date whose own text is the one read.
        QString changed = text;
        changed[random.bounded(static_cast<int>(changed.size()))] = QChar(u"0189-: x"[random.bounded(8)]);
        if (const QDateTime t = SupervisionSql::toDateTime(changed); t.isValid() && t.time() == when.time())
            ASSERT_EQ(t.date().day(), changed.mid(8, 2).toInt()) << changed;
        (void)SupervisionSql::toDateTime(junk.text(junk.below(6)));
    }
}

TEST_F(ParserProperty, ModemReplies) {
    for (int i = 0; i < 3000; ++i) {
        // Noise that holds neither answer (the vocabulary has no letters of them).
        const auto without = [](QByteArray b) {
            for (const char* answer : {"ERROR", "OK", ">", "+CSQ"})
                while (b.contains(answer))
                    b.replace(answer, "");
            return b;
        };
        const QByteArray noise = without(junk.bytes(junk.below(6)));
        const QByteArray awaited = junk.oneIn(2) ? QByteArray("OK\r\n") : QByteArray("> ");
        const QByteArray tail = without(junk.bytes(junk.below(3)));
        using V = ModemReply::Verdict;
        ASSERT_EQ(ModemReply::judge(noise, awaited), V::Waiting);
        ASSERT_EQ(ModemReply::judge(noise + awaited + tail, awaited), V::Awaited);
        ASSERT_EQ(ModemReply::judge(noise + "ERROR\r\n" + (junk.oneIn(2) ? awaited : ""), awaited), V::Error);
        ASSERT_EQ(ModemReply::judge((noise + awaited).chopped(1), awaited), V::Waiting)
            << "a cut answer waits";

        const int q = random.bounded(0, 100);
        const SignalQuality::Reading r =
            SignalQuality::read(noise + "+CSQ: " + QByteArray::number(q) + ",99\r\nOK\r\n");
        const QString expected = q >= 90   ? "NC"
                                 : q >= 30 ? ">30"
                                           : QString::number(q); // ",99" makes 30 read 30.99
        ASSERT_EQ(r.text, expected) << q;
        const SignalQuality::Reading any =
            SignalQuality::read(junk.bytes(junk.below(6)) + "+CSQ:" + junk.bytes(2));
        ASSERT_TRUE(any.bar >= 0 && any.bar <= 30) << any.bar;
    }
}

// The echo check: over a real connection, a station answering in every shape; only the exact echo
// counts as delivered.
TEST_F(ParserProperty, StationReplies) {
    bool exact = false;
    ScriptedStation station([&](QTcpSocket& s, const QByteArray& message) {
        const QByteArray echo = "Recibido:" + message;
        const int shape = junk.below(5);
        exact = shape == 0;
        s.write(exact        ? echo
                : shape == 1 ? echo + junk.bytes(1)
                : shape == 2 ? echo.left(junk.below(echo.size()))
                : shape == 3 ? echo.toLower()
                             : junk.bytes(junk.below(20)));
        if (junk.oneIn(4))
            s.disconnectFromHost();
    });
    LinkFields fields;
    fields.point(1, station.port());
    CentralLink link(fields.view());
    link.setConnectWait(2000ms);
    link.setReplyWait(20ms);
    int delivered = 0, wrong = 0;
    for (int i = 0; i < 60; ++i) {
        const QString message =
            MessageFormat::liveAlarm(junk.text(3), junk.below(1000), QStringLiteral("1"), junk.text(4),
                                     junk.text(4), QDateTime::currentDateTime());
        exact = false;
        const bool ok = link.Envia(message, 1);
        delivered += ok;
        wrong += ok != exact;
    }
    EXPECT_EQ(wrong, 0) << "delivered exactly when the echo was exact";
    EXPECT_GT(delivered, 0);
}
