#include "watchdog/ProcessPrimitives.h"
#include "core/runtime/AgentError.h"
#include "support/TestCommon.h"
#include "watchdog/ProcessTable.h"

#include <QProcess>
#include <list>

// Copies of gelmar-sim under names of our choosing, each resident until killed, in a folder of their own
// that scopes the process table: only processes this test started are ever seen or touched.
class Residents {
public:
    Residents() { table.setScope(dir.path()); }

    // Starts one more process named name; its pid once the table lists it under that name, else 0.
    qint64 start(const QString& name) {
        const QString path = dir.filePath(name);
        if (!QFile::exists(path))
            QFile::copy(QStringLiteral(GELMAR_SIM_PATH), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        QProcess& p = m_processes.emplace_back();
        p.start(path, {QStringLiteral("resident")});
        const qint64 pid = p.waitForStarted(5000) ? p.processId() : 0;
        return pollUntil([&] { return nameOf(pid) == name; }, std::chrono::seconds(5)) ? pid : 0;
    }
    QString nameOf(qint64 pid) const {
        for (const ProcessEntry& e : table.list())
            if (e.pid == pid)
                return e.name;
        return {};
    }
    // Lets the event loop reap what was killed, until the process is no more.
    bool gone(qint64 pid) const {
        return pollUntil([&] { return !QFile::exists(QStringLiteral("/proc/%1").arg(pid)); },
                         std::chrono::seconds(5));
    }

    QTemporaryDir dir;
    ProcessTable table;

private:
    std::list<QProcess> m_processes; // killed, if still running, when they go
};

TEST(ProcessPrimitives, RunningByPrefixKillAppBySuffixKillAppWmiByTheWholeNameFirstOnly) {
    Residents r;
    RecordingDialogs dialogs;
    ProcessPrimitives baskill(r.table, dialogs);
    const qint64 k1 = r.start("kobserver2.exe"), k2 = r.start("kobserver2.exe"), net = r.start("xgsnet.exe");
    const qint64 v1 = r.start("VQM2.EXE"), v2 = r.start("VQM2.EXE");
    ASSERT_TRUE(k1 && k2 && net && v1 && v2);

    for (const auto& [name, running] : {std::pair{"KOBSE", true},
                                        {"kobserver2.EXE", true},
                                        {"KOBSERVER.EXE", false},
                                        {"GSNET.EXE", false},
                                        {"XGSNET", true}})
        EXPECT_EQ(baskill.IsAppRunning(name), running) << name;

    EXPECT_FALSE(baskill.KillApp("KOBSERVER.EXE")) << "kobserver2.exe does not end with it";
    EXPECT_TRUE(baskill.KillApp("GSNET.EXE"));
    EXPECT_TRUE(baskill.KillApp("Kobserver2.exe"));
    for (qint64 pid : {k1, k2, net})
        EXPECT_TRUE(r.gone(pid)) << "every match is killed";

    EXPECT_FALSE(baskill.KillAppWmi("VQM", false)) << "a part of the name is no match";
    EXPECT_TRUE(baskill.KillAppWmi("vqm2.exe", false));
    EXPECT_TRUE(r.gone(std::min(v1, v2))) << "the first listed";
    EXPECT_EQ(r.nameOf(std::max(v1, v2)), "VQM2.EXE") << "and only the first";
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(ProcessPrimitives, WhatCannotBeSignalledOrReadGivesFalseAndTheBoxes) {
    RecordingDialogs dialogs;
    ProcessTable none("/nonexistent-proc");
    ProcessPrimitives broken(none, dialogs);
    EXPECT_FALSE(broken.IsAppRunning("GSNET.EXE"));
    EXPECT_FALSE(broken.KillApp("GSNET.EXE"));
    EXPECT_THROW(broken.KillAppWmi("GSNET.EXE", false), AgentError) << "the restart reports it";
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].text, "Error al comprobar si GSNET.EXE sigue cargado");
    EXPECT_EQ(dialogs.shown[1].text, "Error KillApp!");

    Residents r;
    const qint64 pid = r.start("VQM2.EXE");
    ASSERT_TRUE(broken.KillProcessById(pid, 0));
    ASSERT_TRUE(r.gone(pid));
    for (qint64 id : {pid, qint64(0), qint64(-1), qint64(1), qint64(1) << 40})
        EXPECT_FALSE(broken.KillProcessById(id, 0)) << id;
}

TEST(ProcessTable, StatIsReadAfterTheNamesLastBracketAndCutNamesComeFromArgv0) {
    const auto stat = ProcessTable::parseStat("17 (a b) (c) R 3 17 9 0");
    ASSERT_TRUE(stat);
    EXPECT_EQ(std::tuple(stat->state, stat->ppid, stat->session), std::tuple('R', 3, 9));
    for (const QByteArray& bad : {QByteArray(""), QByteArray("12 GSNET S 1 2 3"), QByteArray("12 (x) S 1 2"),
                                  QByteArray("12 (x) S one 2 3 4")})
        EXPECT_FALSE(ProcessTable::parseStat(bad)) << bad;

    const std::tuple<QByteArray, QByteArray, QString> names[] = {
        {"KOBSERVER.EXE\n", "/g/KOBSERVER.EXE", "KOBSERVER.EXE"},
        {"svc (x86) [old]\n", QByteArray("/g/svc (x86) [old] runner.exe\0-x", 32),
         "svc (x86) [old] runner.exe"},
        {"averyveryverylo\n", "worker: idle", "averyveryverylo"}, // argv[0] rewritten: comm stays
        {"kworker/0:1\n", "", "kworker/0:1"}};
    for (const auto& [comm, cmdline, name] : names)
        EXPECT_EQ(ProcessTable::executableName(comm, cmdline), name);
}

TEST(ProcessTable, EntriesThatEndWhileReadOrAreZombiesAreSkippedAndTheWalkGoesOn) {
    QTemporaryDir proc;
    const auto entry = [&](const char* pid, const QByteArray& stat, const QByteArray& comm,
                           const QByteArray& cmdline) {
        QDir().mkpath(proc.filePath(pid));
        for (const auto& [file, content] : {std::pair{"stat", stat}, {"comm", comm}, {"cmdline", cmdline}})
            if (!content.isEmpty())
                writeFile(proc.filePath(pid) + "/" + file, content);
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
