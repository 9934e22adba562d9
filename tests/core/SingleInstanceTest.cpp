#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(SingleInstance, ALiveCopyIsToldApartFromALockThatCanNotBeMade) {
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    ASSERT_EQ(first.acquire(), SingleInstance::Result::Acquired);
    EXPECT_EQ(first.acquire(), SingleInstance::Result::Acquired) << "asking again keeps it";
    SingleInstance second(dir.path());
    EXPECT_EQ(second.acquire(), SingleInstance::Result::OtherCopy);

    // A lock left by a copy that is gone is taken over.
    QTemporaryDir stale;
    {
        QFile f(QDir(stale.path()).filePath("vornnet.lock"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("2147483646\nvornnet\n\n"); // a process that cannot exist
    }
    EXPECT_EQ(SingleInstance(stale.path()).acquire(), SingleInstance::Result::Acquired);

    // Anything else is a fault to tell, naming the folder and the cause.
    QTemporaryDir other;
    const QString missing = other.filePath("no-such-folder");
    const QString notAFolder = other.filePath("file");
    QFile(notAFolder).open(QIODevice::WriteOnly);
    const QString lockIsAFolder = other.filePath("lockdir");
    QDir().mkpath(QDir(lockIsAFolder).filePath("vornnet.lock"));
    for (const QString& folder : {missing, notAFolder, lockIsAFolder}) {
        SingleInstance lock(folder);
        EXPECT_EQ(lock.acquire(), SingleInstance::Result::Failed) << folder.toStdString();
        EXPECT_TRUE(lock.errorText().contains(folder)) << lock.errorText().toStdString();
        EXPECT_GT(lock.errorText().size(), folder.size() + 20) << lock.errorText().toStdString();
    }
}

} // namespace
