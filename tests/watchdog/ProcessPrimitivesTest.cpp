#include "watchdog/ProcessPrimitives.h"
#include "Residents.h"
#include "core/AgentError.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

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
