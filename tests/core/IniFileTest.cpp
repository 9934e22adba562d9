#include "support/TestCommon.h"

TEST(IniFile, ReadsByProfileRules) {
    const QString content =
        "garbage line without equals\r\n[Config]\r\n  RemotePort =  1234  \r\nremoteport=9999\r\n"
        "Quoted=\"  spaced  \"\r\nLong=" +
        QString(300, 'b') + "\r\n[other]\r\nKey=other\r\n[CONFIG]\r\nLate=never read\r\n";
    const std::tuple<const char*, const char*, QString> cases[] = {
        {"CONFIG", "remotePORT", "1234"}, // any case, trimmed, the first occurrence wins
        {"config", "Quoted", "  spaced  "},
        {"config", "Long", QString(255, 'b')},
        {"config", "Key", ""},  // another section's key
        {"config", "Late", ""}, // only the first section of a name
        {"other", "key", "other"}};
    for (const auto& [section, key, value] : cases)
        EXPECT_EQ(IniFile::readFrom(content, section, key), value) << key;

    const QString file = "; comment\r\n[CONFIG]\r\nRemotePort=1\r\nOther=2\r\n\r\n[SMS]\r\n1=600\r\n";
    EXPECT_EQ(IniFile::writeInto(file, "config", "remoteport", "1003"),
              "; comment\r\n[CONFIG]\r\nRemotePort=1003\r\nOther=2\r\n\r\n[SMS]\r\n1=600\r\n");
    EXPECT_EQ(IniFile::writeInto(file, "CONFIG", "NewKey", "v"),
              "; comment\r\n[CONFIG]\r\nRemotePort=1\r\nOther=2\r\nNewKey=v\r\n\r\n[SMS]\r\n1=600\r\n")
        << "a new key goes at the end of its section, before the blank line";
    EXPECT_EQ(IniFile::writeInto("[a]\nx=1\n", "status", "Time", "0"), "[a]\nx=1\n\n[status]\nTime=0\n");
}

TEST(IniFile, FilesOnDiskAndTheWindows1252Fallback) {
    QTemporaryDir dir;
    const QString path = dir.filePath("legacy.ini");
    EXPECT_EQ(LeeIni(path, "CONFIG", "X"), "") << "missing file reads empty";
    writeFile(path, "[CONFIG]\r\npathGelmar=C:\\Gelmar Se\xf1or\r\nX=\x80\r\n"); // not valid UTF-8
    EXPECT_EQ(LeeIni(path, "CONFIG", "pathGelmar"), QString::fromUtf8("C:\\Gelmar Señor"));
    EXPECT_EQ(LeeIni(path, "CONFIG", "X"), QString(QChar(0x20AC)));
    ASSERT_TRUE(EscribeIni(path, "config", "x", "1"));
    ASSERT_TRUE(EscribeIni(path, "status", "Time", "0"));
    EXPECT_EQ(readText(path), "[CONFIG]\r\npathGelmar=C:\\Gelmar Señor\r\nX=1\r\n\r\n[status]\r\nTime=0\r\n")
        << "written back as UTF-8, in place, the other lines kept";
    EXPECT_FALSE(EscribeIni(dir.filePath("no/such/folder/x.ini"), "a", "b", "c"));
}
