#include "plant/PlantFiles.h"
#include "plant/RegionalNumber.h"
#include "support/ServicesTest.h"

const QLocale spanish(QLocale::Spanish, QLocale::Spain);
const QLocale english(QLocale::English, QLocale::UnitedStates);

// A device whole: name, calibration, probes, group and the two limits.
using Fields = std::tuple<QString, QString, QString, QString, float, float>;
Fields fieldsOf(const PlantDevice& d) {
    return {d.name, d.calibration, d.probes, d.group, d.Limit1, d.Limit2};
}

class PlantFilesTest : public ServicesTest {
protected:
    void write(const char* name, const char* content) { writeFile(dir.filePath(name), content); }
    PlantFiles loaded(const QLocale& regional = spanish) {
        PlantFiles files(dir.path(), dialogs, regional);
        files.load();
        return files;
    }
};

TEST(PlantAddressKey, SixteenthsAndRemaindersOfTwoDigits) {
    const std::pair<int, const char*> cases[] = {
        {0, "00:00"}, {15, "00:15"}, {16, "01:00"}, {26, "01:10"}, {255, "15:15"}};
    for (const auto& [address, key] : cases)
        EXPECT_EQ(PlantFiles::addressKey(address), QString::fromLatin1(key)) << address;
}

TEST_F(PlantFilesTest, DeviceAtItsAddressKeyWithDefaultsAndOnlyWellFormedKeysRead) {
    write("redlocal.ini", "[NETWORK]\r\n01:10=DEV1\r\n1:10=ODD1\r\n16:00=ODD2\r\n1:2=ODD3\r\n15:15=LAST\r\n"
                          "[CAL]\r\n15:15=-0,5\r\n[PROBES]\r\n15:15=3\r\n");
    write("limites.ini", "[LIMITES]\r\nDEV1=GrupoA|-18|-25\r\nlast=GrupoB|4|8\r\nODD1=G|1|2\r\n");
    const PlantFiles files = loaded();
    EXPECT_EQ(fieldsOf(files.devices()[26]), Fields("DEV1", "0", "1", "GrupoA", -18, -25));
    EXPECT_EQ(fieldsOf(files.devices()[255]), Fields("LAST", "-0,5", "3", "GrupoB", 4, 8))
        << "the limits key is matched without regard to case";

    for (int a = 0; a < PlantFiles::deviceCount; ++a) {
        if (a == 26 || a == 255)
            continue;
        EXPECT_EQ(fieldsOf(files.devices()[a]), fieldsOf({})) << "no device, nothing read at " << a;
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(PlantFilesTest, EachDeviceWithoutUsableLimitsIsWarnedOnceAndStillGetsItsProbes) {
    write("redlocal.ini",
          "[NETWORK]\r\n00:01=ONE\r\n00:02=NOLIM\r\n00:03=WORDS\r\n00:04=GOOD\r\n00:05=DOTS\r\n"
          "[PROBES]\r\n00:01=2\r\n00:02=3\r\n[CAL]\r\n00:01=1,5\r\n");
    write("limites.ini", "[LIMITES]\r\nONE=GrupoA|-18\r\nWORDS=GrupoA|frio|-25\r\nGOOD=GrupoC|-18,5|"
                         "4\r\nDOTS=G|1.000,5|2\r\n");
    const PlantFiles files = loaded();
    QStringList warnings;
    for (const auto& box : dialogs.shown) {
        EXPECT_EQ(box.icon, Dialogs::Icon::Warning);
        warnings << box.text;
    }
    EXPECT_EQ(warnings, QStringList({"El servicio ONE no tiene establecidos los límites",
                                     "El servicio NOLIM no tiene establecidos los límites",
                                     "El servicio WORDS no tiene establecidos los límites",
                                     "El servicio DOTS no tiene establecidos los límites"}));

    EXPECT_EQ(fieldsOf(files.devices()[1]), Fields("ONE", "1,5", "2", "", 0, 0))
        << "a device without usable limits keeps its group and limits";
    EXPECT_EQ(files.devices()[2].probes, "3");
    EXPECT_EQ(files.devices()[4].Limit1, -18.5f);
}

TEST_F(PlantFilesTest, OnlyGroupsZeroToTenAreLoadedAndNoRedlocalMeansNoDevices) {
    QByteArray grupos = "[GRUPOS]\r\n";
    for (int i = 0; i <= 12; ++i)
        grupos += QByteArray::number(i) + "=Grupo" + QByteArray::number(i) + "\r\n";
    grupos += "011=Leading\r\n";
    write("limites.ini", grupos.constData());
    const PlantFiles files = loaded();
    ASSERT_EQ(files.groups().size(), PlantFiles::groupCount);
    for (int i = 0; i < PlantFiles::groupCount; ++i)
        EXPECT_EQ(files.groups()[i], i <= 10 ? QStringLiteral("Grupo%1").arg(i) : QString()) << i;
    for (const PlantDevice& d : files.devices())
        EXPECT_TRUE(d.name.isEmpty());
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(RegionalNumber, DecimalSeparatorOfTheRegionAndNoGroupSeparators) {
    const std::tuple<QLocale, const char*, std::optional<float>> cases[] = {
        {spanish, "-18,5", -18.5f}, {spanish, " -25 ", -25.0f}, {spanish, "-18.5", -18.5f},
        {spanish, "1.000,5", {}},   {spanish, "1,2,3", {}},     {english, "-18.5", -18.5f},
        {english, "-18,5", {}},     {english, "1,000.5", {}},   {spanish, "", {}},
        {spanish, "frio", {}},      {spanish, "12abc", {}},     {spanish, "1e40", {}},
        {spanish, "inf", {}},       {spanish, "nan", {}},       {english, "2.5e1", 25.0f},
    };
    for (const auto& [locale, text, value] : cases)
        EXPECT_EQ(RegionalNumber::toSingle(QString::fromLatin1(text), locale), value)
            << text << " in " << locale.name();
}
