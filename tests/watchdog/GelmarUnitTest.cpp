#include "WatchdogFixture.h"
#include "core/settings/ConfigRules.h"

// The relaunch through the supervision system's systemd unit, against a stand-in systemctl put first on
// the PATH: it records its arguments, starts the installation's GSNET.EXE for start and restart, and
// refuses while a file "refuse" lies beside it.
class GelmarUnitTest : public GelmarFixture {
protected:
    void SetUp() override {
        GelmarFixture::SetUp();
        const QString script = bin.filePath("systemctl");
        writeFile(script, QByteArray(R"(#!/bin/sh
here=$(dirname "$0")
echo "$*" >> "$here/calls"
if [ -e "$here/refuse" ]; then echo 'Access denied' >&2; echo more >&2; exit 4; fi
case "$1" in start|restart)
  cd 'INSTALLATION' && ./GSNET.EXE </dev/null >/dev/null 2>&1 &
esac
)")
                              .replace("INSTALLATION", plant.gelmar.toUtf8()));
        ASSERT_TRUE(QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner));
        path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ":" + path);
    }
    void TearDown() override {
        qputenv("PATH", path);
        GelmarFixture::TearDown();
    }
    QStringList calls() const { return readText(bin.filePath("calls")).split('\n', Qt::SkipEmptyParts); }

    QTemporaryDir bin;
    QByteArray path;
};

TEST_F(GelmarUnitTest, WithAUnitEveryStopAndStartGoesThroughSystemdAndARefusalIsToldOnce) {
    settings.GelmarUnit = "gelmar.service";
    ASSERT_TRUE(processes.unitNamed());
    processes.ReiniciaGelmar();
    EXPECT_TRUE(running(4)) << "the unit's stand-in started GSNET.EXE, and it the other three";
    processes.stopGelmar();
    QString why;
    EXPECT_TRUE(processes.startGelmar(&why)) << why;
    EXPECT_EQ(calls(),
              (QStringList{"restart --no-block -- gelmar.service", "stop --no-block -- gelmar.service",
                           "start --no-block -- gelmar.service"}));
    EXPECT_EQ(form.txtError.text(), "");

    writeFile(bin.filePath("refuse"));
    const QString refused = "systemctl restart gelmar.service terminó con el estado 4: Access denied";
    processes.ReiniciaGelmar();
    processes.ReiniciaGelmar();
    EXPECT_EQ(form.txtError.text(), "Error al reiniciar Gelmar: " + refused);
    processes.stopGelmar();
    EXPECT_EQ(
        form.txtError.text(),
        "Error al detener Gelmar: systemctl stop gelmar.service terminó con el estado 4: Access denied");
    EXPECT_FALSE(processes.startGelmar(&why));
    EXPECT_EQ(why, "systemctl start gelmar.service terminó con el estado 4: Access denied");
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2) << "one line per distinct error: " << lines.join("\n").toStdString();
    EXPECT_TRUE(lines[0].startsWith("Error al reiniciar Gelmar: " + refused + " Hora: "));

    // A name systemctl would take for an option is never passed to it.
    settings.GelmarUnit = "-H";
    EXPECT_FALSE(processes.startGelmar(&why));
    EXPECT_EQ(why, "GelmarUnit='-H' no es un nombre de unidad de systemd");
    EXPECT_EQ(calls().size(), 7);
}

TEST(GelmarUnitName, FormOfASystemdUnitName) {
    // clang-format off
    const std::tuple<const char*, bool> cases[] = {
        {"gelmar.service", true}, {"gelmar@planta-2.service", true}, {"gelmar", true},
        {"dev-sda1\\x2dx.mount", true}, {"", false}, {"-H", false}, {"gelmar service", false},
        {"gelmar;reboot", false}, {"gelmár", false}};
    // clang-format on
    for (const auto& [name, valid] : cases)
        EXPECT_EQ(ConfigRules::isUnitName(QString::fromUtf8(name)), valid) << name;
    EXPECT_FALSE(ConfigRules::isUnitName(QString(256, 'a')));
    EXPECT_EQ(ConfigRules::read("gelmarunit", " -x ").severity, ConfigRules::Severity::Failure);
    EXPECT_EQ(ConfigRules::read("GelmarUnit", " gelmar.service ").taken, "gelmar.service");
}
