#include "watchdog/ProcessTable.h"
#include "core/AgentError.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ProcessTable, StatIsReadAfterTheNamesLastBracketAndCutNamesComeFromArgv0) {
    const auto stat = ProcessTable::parseStat("17 (a b) (c) R 3 17 9 0");
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->state, 'R');
    EXPECT_EQ(stat->ppid, 3);
    EXPECT_EQ(stat->session, 9);
    for (const QByteArray& bad : {QByteArray(""), QByteArray("12 GSNET S 1 2 3"), QByteArray("12 (x) S 1 2"),
                                  QByteArray("12 (x) S one 2 3 4")})
        EXPECT_FALSE(ProcessTable::parseStat(bad)) << bad.toStdString();

    const struct {
        QByteArray comm, cmdline;
        QString name;
    } names[] = {
        {"KOBSERVER.EXE\n", "/g/KOBSERVER.EXE", "KOBSERVER.EXE"},
        {"svc (x86) [old]\n", QByteArray("/g/svc (x86) [old] runner.exe\0-x", 32),
         "svc (x86) [old] runner.exe"},
        {"averyveryverylo\n", "worker: idle", "averyveryverylo"}, // argv[0] rewritten: comm stays
        {"kworker/0:1\n", "", "kworker/0:1"},
    };
    for (const auto& n : names)
        EXPECT_EQ(ProcessTable::executableName(n.comm, n.cmdline), n.name);
}

TEST(ProcessTable, EntriesThatEndWhileReadOrAreZombiesAreSkippedAndTheWalkGoesOn) {
    QTemporaryDir proc;
    const auto entry = [&](const char* pid, const QByteArray& stat, const QByteArray& comm,
                           const QByteArray& cmdline) {
        QDir().mkpath(proc.filePath(pid));
        for (const auto& [file, content] : {std::pair{"stat", stat}, {"comm", comm}, {"cmdline", cmdline}}) {
            QFile f(proc.filePath(pid) + "/" + file);
            if (!content.isEmpty() && f.open(QIODevice::WriteOnly))
                f.write(content);
        }
    };
    entry("7", "7 (VQM.EXE) S 1 7 7 0", "VQM.EXE\n", "/g/VQM.EXE");
    entry("30", "30 (PLXSERVER.EXE) S 1 30 30 0", "", "/g/PLXSERVER.EXE");    // ended before comm was read
    entry("31", "31 (GSNET.EXE) Z 1 31 31 0", "GSNET.EXE\n", "/g/GSNET.EXE"); // a zombie runs no more
    entry("100", "100 (KOBSERVER.EXE) S 7 100 100 0", "KOBSERVER.EXE\n", "KOBSERVER.EXE");
    QDir().mkpath(proc.filePath("self"));

    ProcessTable table(proc.path());
    const QList<ProcessEntry> all = table.list();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].executable, "/g/VQM.EXE");
    EXPECT_EQ(all[1].name, "KOBSERVER.EXE");
    EXPECT_EQ(all[1].ppid, 7);
    table.setScope("/g");
    EXPECT_EQ(table.list().size(), 1) << "a relative argv[0] with no readable working folder is out of scope";
    entry("40", "40 (VORNDATA.EXE) S 1 40 40 0", "VORNDATA.EXE\n", "/g/vorn data/VORNDATA.EXE");
    entry("41", "41 (GSNET.EXE) S 1 41 41 0", "GSNET.EXE\n", "/gelmar/GSNET.EXE");
    EXPECT_EQ(table.list().size(), 2)
        << "a folder below the scope is in it; a name that merely begins so is not";
    EXPECT_THROW(ProcessTable(proc.filePath("missing")).list(), AgentError);
}
