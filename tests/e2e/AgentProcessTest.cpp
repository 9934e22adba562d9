#include "support/AgentProcess.h"
#include "core/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QProcessEnvironment envWithoutTmp() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("TMP");
    env.remove("TEMP");
    env.insert("LANG", "C");
    env.remove("LC_ALL");
    return env;
}

QStringList logLines(const QString& folder) {
    QStringList lines;
    for (const QString& name : QDir(folder).entryList({"VORNNET-*.log"})) {
        QFile f(QDir(folder).filePath(name));
        f.open(QIODevice::ReadOnly);
        lines += QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    }
    return lines;
}

} // namespace

TEST(AgentProcess, UnattendedOnAnEmptyFolderStartsTicksAndEndsOnSigterm) {
    QTemporaryDir dir;
    AgentProcess agent({"--unattended", "--folder", dir.path(), "--tick-ms", "200"}, envWithoutTmp());
    ASSERT_TRUE(agent.start());
    ASSERT_TRUE(agent.waitOutput("---\n")) << agent.err.toStdString();
    const QString out = QString::fromUtf8(agent.out);
    const QStringList labels = {"Actualiza Datos",  "Actualiza Leds",  "CheckSMS", "Busca Alarmas",
                                "Sincroniza reloj", "Test Net Activo", "Optimiza", "---"};
    EXPECT_TRUE(out.startsWith(labels.join("\n") + "\n")) << out.toStdString();

    for (auto [key, value] : {std::pair{"Acquisition", "1"},
                              {"DbSize", "1"},
                              {"FreeSize", "1"},
                              {"Time", "1"},
                              {"SMSON", "0"},
                              {"ModemOK", "1"}})
        EXPECT_EQ(IniFile::read(QDir(dir.path()).filePath("status.ini"), "status", key), value) << key;
    const QStringList lines = logLines(dir.path());
    ASSERT_EQ(lines.size(), 1) << "logs go to the program folder without TMP and TEMP";
    EXPECT_TRUE(lines[0].startsWith("VORNNET Iniciado el ")) << lines[0].toStdString();

    agent.terminate();
    ASSERT_TRUE(agent.waitFinished());
    EXPECT_EQ(agent.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(agent.process.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("vornnet.lock")));
}

TEST(AgentProcess, ASecondCopyEndsSilentlyAndLeavesTheFirstAlone) {
    QTemporaryDir dir, logs;
    QProcessEnvironment env = envWithoutTmp();
    env.insert("TMP", logs.path());
    AgentProcess first({"--unattended", "--folder", dir.path(), "--tick-ms", "100"}, env);
    ASSERT_TRUE(first.start());
    ASSERT_TRUE(first.waitOutput("---\n"));
    const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);

    AgentProcess second({"--unattended", "--folder", dir.path(), "--tick-ms", "100"}, env);
    ASSERT_TRUE(second.start());
    ASSERT_TRUE(second.waitFinished());
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_TRUE(second.out.isEmpty()) << second.out.toStdString();
    EXPECT_TRUE(second.err.isEmpty()) << second.err.toStdString();
    EXPECT_EQ(logLines(logs.path()).size(), 1) << "the second copy wrote no start line";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before);

    first.out.clear();
    EXPECT_TRUE(first.waitOutput("Busca Alarmas")) << "the first copy is still running";
    EXPECT_EQ(first.process.state(), QProcess::Running);

    // A copy killed outright leaves its lock behind; the next start takes it over.
    first.process.kill();
    ASSERT_TRUE(first.waitFinished());
    AgentProcess third({"--unattended", "--folder", dir.path(), "--tick-ms", "100"}, env);
    ASSERT_TRUE(third.start());
    EXPECT_TRUE(third.waitOutput("---\n"));
}

TEST(AgentProcess, CommandLine) {
    AgentProcess version({"--version"});
    ASSERT_TRUE(version.start());
    ASSERT_TRUE(version.waitFinished());
    EXPECT_EQ(version.out, "vornnet 5.51\n");

    for (const QStringList& bad :
         {QStringList{"--bogus"}, {"--tick-ms", "abc"}, {"--tick-ms"}, {"--folder", "/no/such/folder"}}) {
        AgentProcess p(bad);
        ASSERT_TRUE(p.start());
        ASSERT_TRUE(p.waitFinished());
        EXPECT_EQ(p.process.exitCode(), 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(p.err.startsWith("vornnet: ")) << p.err.toStdString();
    }
}
