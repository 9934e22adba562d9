#include "core/Configuration.h"
#include "core/AgentSettings.h"
#include "core/ConfigScreen.h"
#include "core/Form1State.h"
#include "core/IniFile.h"
#include "support/FakeClock.h"
#include "support/RecordingDialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ConfigurationTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Form1State form;
    AgentSettings settings;
    RecordingDialogs dialogs;
    FakeClock clock;
    Configuration config{dir.path(), form, settings, dialogs, clock};
    int visibilidad = -1;

    void set(const char* key, const QString& value) {
        IniFile::write(config.iniPath(), "CONFIG", key, value);
    }
    void readAll() {
        config.readConfig([this](int v) { visibilidad = v; });
        config.readUltOptimiza();
        config.readOptimizaSchedule();
        config.applyOptimizaCaption(Form1State::designedCaption);
        config.readSmsEntries();
        config.appendDriveToFreeLabel();
        config.readStatusFlags();
    }
};

} // namespace

TEST_F(ConfigurationTest, MissingFilesGiveTheDefaults) {
    readAll();
    EXPECT_EQ(form.lblPuerto.text(), "1003");
    EXPECT_EQ(form.lblPuertoA.text(), "1003");
    EXPECT_EQ(form.lblPuertoB.text(), "1003");
    EXPECT_EQ(form.IpQuarn.text(), "");
    EXPECT_EQ(settings.MaxDb, 1000);
    EXPECT_EQ(settings.minFree, 5);
    EXPECT_EQ(form.lblDB.toolTip(), "Límite alarma: 1000 Mb");
    EXPECT_EQ(form.lblFree.toolTip(), "Límite alarma: 5Gb");
    EXPECT_EQ(form.txtMinSinData.text(), "30");
    EXPECT_EQ(form.txtPathGelmar.text(), "C:\\Archivos de programa\\Brenvik\\Gelmar System");
    EXPECT_EQ(form.lblFree.text(), "Gb libres en disco C:\\");
    EXPECT_EQ(settings.DiaOptimiza, 3);
    EXPECT_EQ(settings.DiaOptimiza2, 3);
    EXPECT_EQ(settings.HoraOptimiza, "08:00");
    EXPECT_FALSE(form.chkRestart.checked() || form.chkAlarms.checked() || form.chkSMSEnabled.checked() ||
                 form.chkOptimiza.checked());
    EXPECT_FALSE(settings.WebMode || settings.noMinimize || settings.ControlFechasFuturas);
    EXPECT_EQ(visibilidad, 0);
    EXPECT_EQ(form.form1.text(), Form1State::designedCaption);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    // status.ini is created with its defaults, written under their own spellings.
    QFile status(config.statusPath());
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        status.readAll(),
        QByteArray(
            "[status]\r\nAcquisition=1\r\nDbSize=1\r\nFreeSize=1\r\nTime=1\r\nSMSON=0\r\nModemOK=1\r\n"));
    EXPECT_EQ(settings.FechaPrimerFallo, QDateTime(QDate(2100, 1, 1), QTime(0, 0)));
    EXPECT_FALSE(form.lblModoSMS.visible());
}

TEST_F(ConfigurationTest, RulesAtStartAndTheirBoundaries) {
    struct Case {
        const char* port;
        const char* shown;
    } ports[] = {{"0", "1003"}, {"", "1003"}, {"10003.7", "10003.7"}, {"10003abc", "10003"}, {"x", "1003"}};
    for (const Case& c : ports) {
        set("RemotePort", c.port);
        set("remoteporta", c.port);
        config.readConfig({});
        EXPECT_EQ(form.lblPuerto.text(), c.shown) << c.port;
        EXPECT_EQ(form.lblPuertoA.text(), c.shown) << c.port;
    }

    set("MaxDb", "499");
    set("minFree", "0.5");
    set("MinNoData", "29");
    config.readConfig({});
    EXPECT_EQ(settings.MaxDb, 1000);
    EXPECT_EQ(settings.minFree, 5);
    EXPECT_EQ(form.txtMinSinData.text(), "30");

    set("MaxDb", "500");
    set("minFree", "1");
    set("MinNoData", "45.5");
    config.readConfig({});
    EXPECT_EQ(settings.MaxDb, 500);
    EXPECT_EQ(settings.minFree, 1);
    EXPECT_EQ(form.txtMinSinData.text(), "45.5");
    EXPECT_EQ(form.lblDB.toolTip(), "Límite alarma: 500 Mb");

    // Check boxes take the rounded number value, halves to even.
    for (auto [text, checked] :
         {std::pair{"1", true}, {"0.5", false}, {"1.5", true}, {"2.5", true}, {"abc", false}}) {
        set("ChkAlarms", text);
        config.readConfig([this](int v) { visibilidad = v; });
        EXPECT_EQ(form.chkAlarms.checked(), checked) << text;
        EXPECT_EQ(visibilidad, checked ? 1 : 0) << text;
    }

    // Only the exact text "1" turns these on; noMinimize converts like a Boolean.
    for (const char* word : {"true", "yes", "01", "1.0"}) {
        set("WebMode", word);
        set("ControlFechasFuturas", word);
        config.readConfig({});
        EXPECT_FALSE(settings.WebMode) << word;
        EXPECT_FALSE(settings.ControlFechasFuturas) << word;
    }
    set("WebMode", "1");
    set("noMinimize", "1");
    config.readConfig({});
    EXPECT_TRUE(settings.WebMode);
    EXPECT_TRUE(settings.noMinimize);
    set("noMinimize", "False");
    config.readConfig({});
    EXPECT_FALSE(settings.noMinimize);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ConfigurationTest, KeysAreFoundWhateverTheirCase) {
    // Written by the screen as SmsEnabled, read at start as smsEnabled.
    set("SmsEnabled", "1");
    set("ComPort", "3");
    set("MaxNoNet", "15");
    set("Recipient", "+34600000000");
    set("difTime", "+1");
    config.readConfig({});
    EXPECT_TRUE(form.chkSMSEnabled.checked());
    EXPECT_EQ(form.txtComPort.text(), "3");
    EXPECT_EQ(form.txtMaxNoNet.text(), "15");
    EXPECT_EQ(form.txtRecipient.text(), "+34600000000");
    EXPECT_EQ(form.txtDifHoraria.text(), "+1");
}

TEST_F(ConfigurationTest, OptimisationCaption) {
    set("ChkOptimiza", "1");
    set("DiaOptimiza", "3");
    set("DiaOptimiza2", "3");
    set("HoraOptimiza", "08:00");
    config.readOptimizaSchedule();
    config.applyOptimizaCaption(Form1State::designedCaption);
    EXPECT_EQ(form.form1.text(),
              Form1State::designedCaption + ". << Optimiza activo >> Dia: Martes Hora: 08:00");

    set("DiaOptimiza2", "5");
    config.readOptimizaSchedule();
    config.applyOptimizaCaption(Form1State::designedCaption);
    EXPECT_EQ(form.form1.text(),
              Form1State::designedCaption + ". << Optimiza activo >> Dia: Martes y Jueves Hora: 08:00");

    set("DiaOptimiza", "9");
    config.readOptimizaSchedule();
    config.applyOptimizaCaption(Form1State::designedCaption);
    EXPECT_EQ(form.form1.text(),
              Form1State::designedCaption + ". << Optimiza activo >> Dia:  y Jueves Hora: 08:00");
}

TEST_F(ConfigurationTest, BadNumbersAreReportedAndTakeTheirDefault) {
    set("DiaOptimiza", "lunes");
    set("DiaOptimiza2", "6");
    set("noMinimize", "quizas");
    config.readConfig({});
    config.readOptimizaSchedule();
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].title, "Error Vorn-Net");
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Critical);
    EXPECT_TRUE(dialogs.shown[0].text.contains("quizas"));
    EXPECT_TRUE(dialogs.shown[1].text.contains("lunes"));
    EXPECT_FALSE(settings.noMinimize);
    EXPECT_EQ(settings.DiaOptimiza, 3);
    EXPECT_EQ(settings.DiaOptimiza2, 6) << "the key after the bad one is still read";
}

TEST_F(ConfigurationTest, SmsEntriesAndStatusFlags) {
    IniFile::write(config.iniPath(), "SMS", "1", "+34611111111");
    IniFile::write(config.iniPath(), "SMS", "3", "+34633333333");
    config.readSmsEntries();
    EXPECT_EQ(settings.smsAuxiliaries, QStringList({"+34611111111", "+34633333333"}));

    IniFile::write(config.statusPath(), "status", "SMSON", "1");
    IniFile::write(config.statusPath(), "status", "time", "0");
    form.txtMaxNoNet.setText("15");
    config.readStatusFlags();
    EXPECT_EQ(settings.SMSOn, "1");
    EXPECT_EQ(settings.time, "0");
    EXPECT_EQ(settings.Acquisition, "1");
    EXPECT_TRUE(form.lblModoSMS.visible());
    EXPECT_EQ(settings.FechaPrimerFallo, clock.now().addSecs(-16 * 60));
    EXPECT_EQ(IniFile::read(config.statusPath(), "status", "Time"), "0") << "a present flag is not rewritten";
}

TEST_F(ConfigurationTest, ConfigScreenLockSaveOrderAndPathCheck) {
    ConfigScreen screen(config.iniPath(), form, dialogs);

    // A wrong code only shows the password field.
    form.txtPass.setText("tup3");
    screen.btnconfigurarClick();
    EXPECT_TRUE(form.txtPass.visible());
    EXPECT_FALSE(form.IpQuarn.enabled());
    EXPECT_EQ(form.btnconfigurar.text(), "Configurar");
    EXPECT_FALSE(QFile::exists(config.iniPath()));

    form.txtPass.setText("TUP3");
    screen.btnconfigurarClick();
    for (Control* c : form.configFields())
        EXPECT_TRUE(c->enabled()) << c->name().toStdString();
    EXPECT_EQ(form.btnconfigurar.text(), "Guardar");

    form.lblTestVida.setText("25");
    form.txtMinSinData.setText("29");
    form.IpQuarn.setText("10.0.0.1");
    form.lblPuerto.setText("bad port");
    form.chkRestart.setChecked(true);
    form.txtPathGelmar.setText(dir.filePath("nogelmar"));
    form.chkSMSEnabled.setChecked(true);
    form.txtRecipient.setText("+34600000000");
    screen.btnconfigurarClick();

    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "No se encuentra Gelmar Net en la ruta especificada");
    EXPECT_EQ(form.lblTestVida.text(), "1");
    EXPECT_EQ(form.txtMinSinData.text(), "30");
    EXPECT_EQ(form.btnconfigurar.text(), "Configurar");
    EXPECT_FALSE(form.txtPass.visible());
    EXPECT_EQ(form.txtPass.text(), "");
    EXPECT_FALSE(form.IpQuarn.enabled());

    QFile ini(config.iniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        QString::fromUtf8(ini.readAll()),
        "[CONFIG]\r\nRemotePort=bad port\r\nIpQuarnCenter=10.0.0.1\r\nLifeTest=1\r\nRemotePortA=10003\r\n"
        "IpQuarnCenterA=\r\nRemotePortB=10003\r\nIpQuarnCenterB=\r\nchkRestart=1\r\nchkOptimiza=0\r\n"
        "MinNoData=30\r\nchkAlarms=0\r\ndifTime=\r\nSmsEnabled=1\r\nComPort=0\r\nRecipient=+34600000000\r\n"
        "MaxNoNet=0\r\n")
        << "every key in its order, the path left out";
}

TEST_F(ConfigurationTest, ConfigScreenSavesPathAndLifeTestBoundaries) {
    ConfigScreen screen(config.iniPath(), form, dialogs);
    QDir(dir.path()).mkpath("gelmar");
    QFile exe(dir.filePath("gelmar/GSNET.EXE"));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.close();

    for (auto [field, saved] : {std::pair{"0", "1"}, {"letters", "1"}, {"24", "24"}, {"1.5", "1.5"}}) {
        form.txtPass.setText("TUP3");
        screen.btnconfigurarClick();
        form.lblTestVida.setText(field);
        form.chkRestart.setChecked(true);
        form.txtPathGelmar.setText(dir.filePath("gelmar"));
        screen.btnconfigurarClick();
        EXPECT_EQ(IniFile::read(config.iniPath(), "CONFIG", "LifeTest"), saved) << field;
    }
    EXPECT_TRUE(dialogs.shown.isEmpty()) << "the executable is found whatever its case";
    EXPECT_EQ(IniFile::read(config.iniPath(), "CONFIG", "pathGelmar"), dir.filePath("gelmar"));

    // With the restart off, any path is saved without a word.
    form.txtPass.setText("TUP3");
    screen.btnconfigurarClick();
    form.chkRestart.setChecked(false);
    form.txtPathGelmar.setText("/nowhere");
    screen.btnconfigurarClick();
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(IniFile::read(config.iniPath(), "CONFIG", "pathGelmar"), "/nowhere");
}
