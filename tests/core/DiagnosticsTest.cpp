#include "core/runtime/Diagnostics.h"

#include "support/TestCommon.h"

// In a desktop session the diagnostics also go to a file beside the event log: each line dated, and the
// file turned over at its bound, so that it and the one before never hold much more than twice that.
TEST(Diagnostics, TheFileHoldsDatedLinesAndTurnsOverAtItsBound) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(Diagnostics::fileName));
    constexpr qint64 bound = 200;
    Diagnostics::alsoToFile(path, bound);
    for (int i = 0; i < 20; ++i)
        qCWarning(lcDb, "linea %d", i);
    qInstallMessageHandler(nullptr);

    const QByteArray current = readFile(path), previous = readFile(path + ".1");
    ASSERT_FALSE(current.isEmpty() || previous.isEmpty());
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".2")));
    const qint64 line = QByteArray("2026-12-08 01:20:00 vornnet.db: linea 19\n").size();
    EXPECT_GT(previous.size(), bound);
    EXPECT_LE(previous.size(), bound + line);
    EXPECT_LE(current.size(), bound);
    const QString newest = QString::fromLatin1(current).split('\n', Qt::SkipEmptyParts).last();
    const QRegularExpression dated(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d vornnet\.db: linea 19$)");
    EXPECT_TRUE(dated.match(newest).hasMatch()) << newest;
}
