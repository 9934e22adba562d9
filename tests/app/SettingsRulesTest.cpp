// What start-up makes of a written value, told the same way by --check and the configuration screen, and
// the closest known key for a mistyped one.
#include "app/ClosestKey.h"
#include "app/Views.h"
#include "core/ConfigRules.h"
#include "core/ConfigScreen.h"
#include "core/Form1State.h"
#include "core/IniFile.h"
#include "support/RecordingDialogs.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using ConfigRules::Severity;

TEST(SettingsRules, ValuesAsStartUpTakesThem) {
    const struct {
        const char* key;
        const char* written;
        const char* taken;
        Severity severity;
    } cases[] = {
        {"RemotePort", "47x01", "47", Severity::Warning},
        {"remoteporta", "cuarenta", "1003", Severity::Warning},
        {"RemotePort", "4701", "4701", Severity::None},
        {"RemotePortB", "", "1003", Severity::None},
        {"LifeTest", "0", "1", Severity::Warning},
        {"LifeTest", "30", "24", Severity::Warning},
        {"MinNoData", "10", "30", Severity::Warning},
        {"MaxDb", "100", "1000", Severity::Warning},
        {"smsEnabled", "si", "0", Severity::Warning},
        {"WebMode", "true", "0", Severity::Warning},
        {"AlarmPollMs", "100", "0", Severity::Warning},
        {"DbEngine", "sqllite", "sqllite", Severity::Failure},
        {"DbEngine", "SQLite", "SQLite", Severity::None},
        {"IpQuarnCenter", "192.168.1.300", "192.168.1.300", Severity::Failure},
        {"IpQuarnCenterA", "central.example", "central.example", Severity::None},
        {"LogMonths", "doce", "0", Severity::Warning},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.written);
        const ConfigRules::Reading r =
            ConfigRules::read(QString::fromLatin1(c.key), QString::fromUtf8(c.written));
        EXPECT_EQ(r.severity, c.severity) << r.note.toStdString();
        if (c.severity == Severity::Warning)
            EXPECT_EQ(r.taken, QString::fromUtf8(c.taken));
        // The note names the key and the value written, so the reader finds the line to mend.
        if (c.severity != Severity::None)
            EXPECT_TRUE(r.note.contains(QString::fromLatin1(c.key)) &&
                        r.note.contains(QString::fromUtf8(c.written)))
                << r.note.toStdString();
    }
}

TEST(SettingsRules, ClosestKnownKey) {
    const QStringList known = ConfigRules::knownKeys();
    const struct {
        const char* typed;
        const char* closest;
    } cases[] = {{"RemotPort", "RemotePort"},        {"remoteporta", "RemotePortA"},
                 {"IpQuarnCentre", "IpQuarnCenter"}, {"DbEngin", "DbEngine"},
                 {"smsenable", "smsEnabled"},        {"Colour", ""},
                 {"LogMonth", "LogMonths"}};
    for (const auto& c : cases)
        EXPECT_EQ(closestKey(QString::fromLatin1(c.typed), known), QString::fromLatin1(c.closest)) << c.typed;
}

TEST(SettingsRules, TheScreenSavesWhatWasTypedAfterSayingWhatStartUpWillTake) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("vornnet.ini");
    Form1State form;
    RecordingDialogs dialogs;
    ConfigScreen screen(ini, Views::configScreen(form), dialogs);
    form.txtPass.setText(ConfigScreen::defaultAccessCode);
    screen.btnconfigurarClick();
    form.lblPuerto.setText("47x01");
    form.IpQuarn.setText("192.168.1.300");
    form.lblTestVida.setText("2");
    form.txtMinSinData.setText("40");
    screen.btnconfigurarClick();
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_TRUE(dialogs.shown[0].text.contains("RemotePort='47x01' se toma como 47"));
    EXPECT_TRUE(dialogs.shown[0].text.contains("IpQuarnCenter='192.168.1.300'"));
    EXPECT_FALSE(dialogs.shown[0].text.contains("LifeTest"));
    EXPECT_EQ(IniFile::read(ini, "CONFIG", "RemotePort"), "47x01");
}
