#include "core/SingleInstance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList g_warnings;
void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg)
        g_warnings.append(text);
}

struct WarningRecorder {
    QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    WarningRecorder() { g_warnings.clear(); }
    ~WarningRecorder() { qInstallMessageHandler(previous); }
};

TEST(SingleInstanceTest, SecondCopyEndsQuietlyButAnUnusableFolderIsTold) {
    QTemporaryDir dir;
    WarningRecorder warnings;
    SingleInstance first(dir.path());
    SingleInstance second(dir.path());
    ASSERT_TRUE(first.acquire());
    EXPECT_FALSE(second.acquire());
    EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join(QLatin1Char('\n')).toStdString();

    SingleInstance nowhere(dir.filePath(QStringLiteral("missing")));
    EXPECT_FALSE(nowhere.acquire());
    ASSERT_EQ(g_warnings.size(), 1);
    EXPECT_TRUE(g_warnings[0].contains(QLatin1String("vornnet.lock"))) << g_warnings[0].toStdString();
}

} // namespace
