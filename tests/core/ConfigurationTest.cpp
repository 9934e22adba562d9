#include "core/model/Configuration.h"
#include "app/ConfigScreen.h"
#include "core/model/Form1State.h"
#include "core/model/WindowCaption.h"
#include "core/settings/ConfigKeys.h"
#include "core/state/StatusFile.h"
#include "support/ServicesTest.h"

#include <QDirIterator>

class ConfigurationTest : public ServicesTest {
protected:
    Form1State form;
    Configuration config{dir.path(), {ConfigFields(form.configFields()), form.lblDB, form.lblFree}, dialogs};
    const AgentSettings& settings = config.settings();
    WindowCaption windowCaption{form.form1, form.chkOptimiza, settings};
    ConfigScreen screen{config.iniPath(),
                        {ConfigFields(form.configFields()), form.lblPass, form.txtPass, form.btnconfigurar},
                        dialogs};
    int visibilidad = -1;

    void set(const char* key, const QString& value) { EscribeIni(config.iniPath(), "CONFIG", key, value); }
    void readConfig() {
        config.readConfig([this](int v) { visibilidad = v; });
    }
    // Unlocks the screen, lets `fill` edit the fields, then saves.
    template <typename F> void saveScreen(F fill) {
        form.txtPass.setText("TUP3");
        screen.btnconfigurarClick();
        fill();
        screen.btnconfigurarClick();
    }
};

TEST_F(ConfigurationTest, RulesAtStartAndTheirBoundaries) {
    for (auto [port, shown] :
         {std::pair{"0", "1003"}, {"", "1003"}, {"10003.7", "10003.7"}, {"10003abc", "10003"}}) {
        set("RemotePort", port);
        set("remoteporta", port);
        readConfig();
        EXPECT_EQ(form.lblPuerto.text(), shown) << port;
        EXPECT_EQ(form.lblPuertoA.text(), shown) << port;
    }
    EXPECT_EQ(form.txtPathGelmar.text(), "C:\\Archivos de programa\\Brenvik\\Gelmar System") << "the default";

    // MaxDb, minFree and MinNoData as written; MaxDb and minFree as taken; MinNoData as shown.
    const std::tuple<const char*, const char*, const char*, float, float, const char*> limits[] = {
        {"499", "0.5", "29", 1000, 5, "30"}, {"500", "1", "45.5", 500, 1, "45.5"}};
    for (const auto& [maxDb, minFree, minNoData, maxDbSet, minFreeSet, minNoDataShown] : limits) {
        set("MaxDb", maxDb);
        set("minFree", minFree);
        set("MinNoData", minNoData);
        readConfig();
        EXPECT_EQ(settings.MaxDb, maxDbSet) << maxDb;
        EXPECT_EQ(settings.minFree, minFreeSet) << minFree;
        EXPECT_EQ(form.txtMinSinData.text(), minNoDataShown);
        EXPECT_EQ(form.lblDB.toolTip(), QString("Límite alarma: %1 Mb").arg(maxDbSet));
        EXPECT_EQ(form.lblFree.toolTip(), QString("Límite alarma: %1Gb").arg(minFreeSet));
    }

    // Check boxes take the rounded number value, halves to even; keys are found whatever their case.
    for (auto [text, checked] : {std::pair{"1", true}, {"0.5", false}, {"2.5", true}, {"abc", false}}) {
        set("ChkAlarms", text);
        set("SmsEnabled", text);
        readConfig();
        EXPECT_EQ(form.chkAlarms.checked(), checked) << text;
        EXPECT_EQ(form.chkSMSEnabled.checked(), checked) << text;
        EXPECT_EQ(visibilidad, checked ? 1 : 0) << text;
    }
    const std::pair<const char*, Control*> fields[] = {{"ComPort", &form.txtComPort},
                                                       {"maxnonet", &form.txtMaxNoNet},
                                                       {"Recipient", &form.txtRecipient},
                                                       {"difTime", &form.txtDifHoraria}};
    for (auto [key, field] : fields)
        set(key, key);
    readConfig();
    for (auto [key, field] : fields)
        EXPECT_EQ(field->text(), key);

    // Only the exact text "1" turns these three on; noMinimize converts like a Boolean.
    for (auto [text, on] : {std::pair{"true", false}, {"01", false}, {"1.0", false}, {"1", true}}) {
        set("WebMode", text);
        set("ControlFechasFuturas", text);
        set("FastFailover", text);
        set("noMinimize", on ? "True" : "0");
        readConfig();
        EXPECT_EQ(settings.WebMode, on) << text;
        EXPECT_EQ(settings.ControlFechasFuturas, on) << text;
        EXPECT_EQ(settings.FastFailover, on) << text;
        EXPECT_EQ(settings.noMinimize, on) << text;
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ConfigurationTest, BadNumbersAreReportedAndTakeTheirDefault) {
    set("DiaOptimiza", "lunes");
    set("DiaOptimiza2", "6");
    set("noMinimize", "quizas");
    readConfig();
    dialogs.expectBox(Dialogs::Icon::Critical, "Error Vorn-Net", "No coinciden los tipos: 'quizas'");
    config.readOptimizaSchedule();
    dialogs.expectBox(Dialogs::Icon::Critical, "Error Vorn-Net", "No coinciden los tipos: 'lunes'");
    EXPECT_FALSE(settings.noMinimize);
    EXPECT_EQ(settings.DiaOptimiza, 3);
    EXPECT_EQ(settings.DiaOptimiza2, 6) << "the key after the bad one is still read";
}

TEST_F(ConfigurationTest, AlarmPollMsIsOffOrWithinItsRangeAndAnythingElseIsToldAndTakenAsOff) {
    const std::tuple<const char*, int, bool> cases[] = {
        {"", 0, false},          {"0", 0, false},  {"250", 250, false}, {" 1000 ", 1000, false},
        {"30000", 30000, false}, {"249", 0, true}, {"30001", 0, true},  {"-500", 0, true},
        {"1000ms", 0, true},     {"1e3", 0, true}, {"500.5", 0, true},  {"rápido", 0, true}};
    for (const auto& [text, taken, told] : cases) {
        SCOPED_TRACE(text);
        dialogs.shown.clear();
        set("AlarmPollMs", text);
        readConfig();
        EXPECT_EQ(settings.AlarmPollMs, taken);
        ASSERT_EQ(dialogs.shown.size(), told ? 1 : 0);
        if (told)
            EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("AlarmPollMs='%1'").arg(text)));
    }
}

TEST_F(ConfigurationTest, OptimisationCaption) {
    set("ChkOptimiza", "1");
    set("HoraOptimiza", "08:00");
    windowCaption.remember();
    for (auto [day, day2, caption] :
         {std::tuple{"3", "3", "Martes"}, {"3", "5", "Martes y Jueves"}, {"9", "5", " y Jueves"}}) {
        set("DiaOptimiza", day);
        set("DiaOptimiza2", day2);
        config.readOptimizaSchedule();
        windowCaption.applyOptimiza();
        EXPECT_EQ(form.form1.text(),
                  Form1State::designedCaption + ". << Optimiza activo >> Dia: " + caption + " Hora: 08:00");
    }
}

TEST_F(ConfigurationTest, StatusFileAndSmsEntries) {
    const StatusFile file(dir.path());
    file.readFlags();
    EXPECT_EQ(readFile(file.path()),
              "[status]\r\nAcquisition=1\r\nDbSize=1\r\nFreeSize=1\r\nTime=1\r\nSMSON=0\r\nModemOK=1\r\n")
        << "created with its defaults, written under their own spellings";

    // Values read as written; a damaged one neither silences a condition nor holds SMS mode on.
    for (auto [smsOn, time, on] : {std::tuple{"1", "0", true}, {"x", "x", false}}) {
        EscribeIni(file.path(), "status", "SMSON", smsOn);
        EscribeIni(file.path(), "status", "time", time);
        const StatusFlags flags = file.readFlags();
        EXPECT_EQ(flags.SMSOn, on) << smsOn;
        EXPECT_EQ(flags.time, !on) << time;
        EXPECT_TRUE(flags.DbSize);
    }

    EscribeIni(config.iniPath(), "SMS", "1", "+34611111111");
    EscribeIni(config.iniPath(), "SMS", "3", "+34633333333");
    config.readSmsEntries();
    EXPECT_EQ(settings.smsAuxiliaries, QStringList({"+34611111111", "+34633333333"}));
}

TEST_F(ConfigurationTest, ConfigScreenLockSaveOrderAndPathCheck) {
    form.txtPass.setText("tup3");
    screen.btnconfigurarClick();
    EXPECT_TRUE(form.txtPass.visible()) << "a wrong code only shows the password field";
    EXPECT_FALSE(form.IpQuarn.enabled());

    saveScreen([&] {
        for (Control* c : form.configFields())
            EXPECT_TRUE(c->enabled()) << c->name();
        EXPECT_EQ(form.btnconfigurar.text(), "Guardar");
        form.lblTestVida.setText("25");
        form.txtMinSinData.setText("29");
        form.IpQuarn.setText("10.0.0.1");
        form.lblPuerto.setText("bad port");
        form.chkRestart.setChecked(true);
        form.txtPathGelmar.setText(dir.filePath("nogelmar"));
        form.chkSMSEnabled.setChecked(true);
        form.txtRecipient.setText("+34600000000");
    });
    // The port is saved as typed, after saying what start-up will make of it.
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_TRUE(dialogs.shown[0].text.contains("RemotePort='bad port' se toma como 1003"));
    EXPECT_EQ(dialogs.shown[1].text, "No se encuentra Gelmar Net en la ruta especificada");
    EXPECT_EQ(form.lblTestVida.text(), "1");
    EXPECT_EQ(form.txtMinSinData.text(), "30");
    EXPECT_EQ(form.btnconfigurar.text(), "Configurar");
    EXPECT_FALSE(form.txtPass.visible() || form.IpQuarn.enabled());
    EXPECT_EQ(form.txtPass.text(), "");

    EXPECT_EQ(
        readText(config.iniPath()),
        "[CONFIG]\r\nRemotePort=bad port\r\nIpQuarnCenter=10.0.0.1\r\nLifeTest=1\r\nRemotePortA=10003\r\n"
        "IpQuarnCenterA=\r\nRemotePortB=10003\r\nIpQuarnCenterB=\r\nchkRestart=1\r\nchkOptimiza=0\r\n"
        "MinNoData=30\r\nchkAlarms=0\r\ndifTime=\r\nSmsEnabled=1\r\nComPort=0\r\nRecipient=+34600000000\r\n"
        "MaxNoNet=0\r\n")
        << "every key in its order, the path left out";
}

TEST_F(ConfigurationTest, AccessCodeOverrideKeyReplacesTheDefaultAtOnce) {
    // A null code: no AccessCode key.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {nullptr, "TUP3", true},         {"", "TUP3", true},
        {"Planta-7", "Planta-7", true},  {"Planta-7", "TUP3", false},
        {"Planta-7", "planta-7", false}, {"  Planta-7  ", "Planta-7", true}};
    for (const auto& [stored, typed, unlocks] : cases) {
        QFile::remove(config.iniPath());
        if (stored)
            set("AccessCode", stored);
        form.txtPass.setText(typed);
        EXPECT_EQ(screen.askCode(), unlocks) << (stored ? stored : "(absent)") << " / " << typed;
        EXPECT_TRUE(form.txtPass.visible());
    }
    set("AccessCode", "Planta-7");
    form.txtPass.setText("Planta-7");
    screen.btnconfigurarClick();
    EXPECT_TRUE(form.IpQuarn.enabled()) << "the screen unlocks with the code from the file";
}

TEST_F(ConfigurationTest, ConfigScreenFindsTheExecutableWhateverItsCaseAndChecksNoPathWithRestartsOff) {
    const QString gelmar = dir.filePath("gelmar");
    ASSERT_TRUE(QDir(dir.path()).mkpath("gelmar"));
    writeFile(gelmar + "/GSNET.EXE");
    const std::tuple<bool, QString, const char*, const char*> saves[] = {
        {true, gelmar, "24", "24"}, {true, gelmar, "0", "1"}, {false, "/nowhere", "1.5", "1.5"}};
    for (const auto& [restart, path, lifeTest, saved] : saves) {
        saveScreen([&] {
            form.chkRestart.setChecked(restart);
            form.txtPathGelmar.setText(path);
            form.lblTestVida.setText(lifeTest);
        });
        EXPECT_TRUE(dialogs.shown.isEmpty()) << path;
        EXPECT_EQ(LeeIni(config.iniPath(), "CONFIG", "pathGelmar"), path);
        EXPECT_EQ(LeeIni(config.iniPath(), "CONFIG", "LifeTest"), saved) << lifeTest;
    }
}

// Keys of vornnet.ini and status.ini that src/ reads or writes by a literal name rather than through the
// key tables: section and key as literals in one call of the ini functions.
void addLiteralKeysInSources(QStringList& keys) {
    static const QRegularExpression call(
        QStringLiteral(R"re((?:LeeIni|EscribeIni|IniFile::readFrom)\s*\([^;]*?)re"
                       R"re((?:QStringLiteral|QLatin1String)?\(?"(CONFIG|SMS|EXCLUDE|status)"\)?\s*,\s*)re"
                       R"re((?:QStringLiteral|QLatin1String)?\(?"([^"]+)")re"));
    QDirIterator it(QStringLiteral(VORNNET_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        for (auto m = call.globalMatch(readText(it.next())); m.hasNext();)
            keys << m.next().captured(2);
}

// Every key the agent reads, as it reads it and as it writes it, stands in docs/CONFIGURATION.md in
// backticks. The keys come from the tables the agent itself uses, so a key added to a table (or read by
// a literal name anywhere in src/) fails here until it is documented.
TEST(ConfigurationDocTest, EveryKeyTheAgentReadsIsDocumented) {
    const QString doc = readText(QStringLiteral(VORNNET_SOURCE_DIR "/docs/CONFIGURATION.md"));
    ASSERT_FALSE(doc.isEmpty()) << "docs/CONFIGURATION.md";

    QStringList keys;
    for (const ConfigKeys::Field& field : ConfigKeys::fields)
        keys << QString::fromLatin1(field.readAs) << QString::fromLatin1(field.writeAs);
    for (const char* key : ConfigKeys::variables)
        keys << QString::fromLatin1(key);
    for (StatusFile::Flag flag : StatusFile::flags)
        keys << StatusFile::keyAsRead(flag) << StatusFile::keyAsWritten(flag);
    keys << StatusFile::ultOptimizaKey;
    addLiteralKeysInSources(keys);

    keys.removeIf([&doc](const QString& key) { return doc.contains(u'`' + key + u'`'); });
    keys.removeDuplicates();
    EXPECT_EQ(keys, QStringList()) << "not in docs/CONFIGURATION.md";

    for (const char* section : {"## `vornnet.ini`, section `CONFIG`", "## `vornnet.ini`, section `SMS`",
                                "## `vornnet.ini`, section `EXCLUDE`", "## `status.ini`, section `status`"})
        EXPECT_TRUE(doc.contains(QLatin1String(section))) << section;
}
