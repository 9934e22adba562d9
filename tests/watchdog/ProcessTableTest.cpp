#include "Residents.h"
#include "core/AgentError.h"

#include <QDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

TEST(ProcessTable, StatLinesAreReadAfterTheLastBracketOfTheName) {
    const struct {
        QByteArray line;
        char state;
        qint64 ppid, session;
    } good[] = {
        {"4242 (GSNET.EXE) S 1 4242 4242 0 -1 4194304", 'S', 1, 4242},
        {"17 (a b) (c) R 3 17 9 0", 'R', 3, 9},
        {"8 ()) Z 2 8 8 0", 'Z', 2, 8},
    };
    for (const auto& c : good) {
        const auto s = ProcessTable::parseStat(c.line);
        ASSERT_TRUE(s) << c.line.toStdString();
        EXPECT_EQ(s->state, c.state) << c.line.toStdString();
        EXPECT_EQ(s->ppid, c.ppid) << c.line.toStdString();
        EXPECT_EQ(s->session, c.session) << c.line.toStdString();
    }
    for (const QByteArray& bad : {QByteArray(""), QByteArray("12 GSNET S 1 2 3"), QByteArray("12 (x) S"),
                                 QByteArray("12 (x) S one 2 3 4"), QByteArray("12 (x) SS 1 2 3 4")})
        EXPECT_FALSE(ProcessTable::parseStat(bad)) << bad.toStdString();
}

TEST(ProcessTable, NameIsCommOrTheWholeArgumentWhenCommWasCut) {
    const struct {
        QByteArray comm, cmdline;
        QString name;
    } cases[] = {
        {"KOBSERVER.EXE\n", "/opt/g/KOBSERVER.EXE\0", "KOBSERVER.EXE"},
        // Cut at 15: argv[0] holds the rest.
        {"svc (x86) [old]\n", QByteArray("/opt/g/svc (x86) [old] runner.exe\0-x\0", 37),
         "svc (x86) [old] runner.exe"},
        // A process that rewrote its argv[0] keeps its comm.
        {"averyveryverylo\n", QByteArray("worker: idle\0", 13), "averyveryverylo"},
        {"kworker/0:1\n", "", "kworker/0:1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProcessTable::executableName(c.comm, c.cmdline), c.name) << c.name.toStdString();
}

TEST(ProcessTable, EntriesThatEndWhileReadOrAreZombiesAreSkippedAndTheWalkGoesOn) {
    QTemporaryDir proc;
    const auto entry = [&](const char* pid, const QByteArray& stat, const QByteArray& comm,
                           const QByteArray& cmdline) {
        const QString dir = proc.filePath(pid);
        QDir().mkpath(dir);
        if (!stat.isEmpty())
            writeFile(dir + "/stat", stat);
        if (!comm.isEmpty())
            writeFile(dir + "/comm", comm);
        writeFile(dir + "/cmdline", cmdline);
    };
    entry("7", "7 (VQM.EXE) S 1 7 7 0", "VQM.EXE\n", QByteArray("/g/VQM.EXE\0", 11));
    entry("30", "30 (PLXSERVER.EXE) S 1 30 30", "", "");          // ended between the listing and comm
    entry("31", "31 (GSNET.EXE) Z 1 31 31 0", "GSNET.EXE\n", ""); // a zombie no longer runs
    entry("100", "100 (KOBSERVER.EXE) S 7 100 100 0", "KOBSERVER.EXE\n", QByteArray("KOBSERVER.EXE\0", 14));
    QDir().mkpath(proc.filePath("self"));
    QDir().mkpath(proc.filePath("45")); // no files at all

    ProcessTable table(proc.path());
    const QList<ProcessEntry> all = table.list();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all[0].pid, 7) << "in the order of their ids";
    EXPECT_EQ(all[0].executable, "/g/VQM.EXE");
    EXPECT_EQ(all[1].name, "KOBSERVER.EXE");
    EXPECT_EQ(all[1].ppid, 7);

    table.setScope("/g");
    ASSERT_EQ(table.list().size(), 1)
        << "a relative argv[0] without a readable working folder is out of scope";

    EXPECT_THROW(ProcessTable(proc.filePath("missing")).list(), AgentError);
}

TEST(ProcessTable, ListsRealProcessesByTheirNamesWithinItsScope) {
    Residents r;
    const qint64 plain = r.start("kobserver2.exe");
    const qint64 odd = r.start("svc (x86) [old] runner.exe");
    ASSERT_GT(plain, 0);
    ASSERT_GT(odd, 0) << "a name with blanks and brackets, cut in comm";

    bool ownProcessSeen = false;
    for (const ProcessEntry& e : ProcessTable().list())
        if (e.pid == getpid()) {
            ownProcessSeen = true;
            EXPECT_EQ(e.session, getsid(0));
        }
    EXPECT_TRUE(ownProcessSeen) << "without a scope the whole machine is listed";

    const QList<ProcessEntry> mine = r.table.list();
    ASSERT_EQ(mine.size(), 2) << "the scope holds only what was started from its folder";
    for (const ProcessEntry& e : mine) {
        EXPECT_EQ(e.ppid, getpid());
        EXPECT_EQ(QFileInfo(e.executable).absolutePath(), QFileInfo(r.dir.path()).absoluteFilePath());
    }

    ASSERT_TRUE(ProcessTable::terminate(plain));
    EXPECT_TRUE(r.waitGone(plain)) << "killed, then left out as a zombie until reaped";
    EXPECT_TRUE(r.running(odd));
}
