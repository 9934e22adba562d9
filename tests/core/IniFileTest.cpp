#include "core/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(IniFile, ReadsByProfileRules) {
    const QString content = QStringLiteral("garbage line without equals\r\n"
                                           "[Config]\r\n"
                                           "  RemotePort =  1234  \r\n"
                                           "remoteport=9999\r\n"
                                           "Quoted=\"  spaced  \"\r\n"
                                           "Single='x'\r\n"
                                           "Unbalanced=\"abc\r\n"
                                           "Empty=\r\n"
                                           "[other]\r\n"
                                           "Key=other\r\n"
                                           "[CONFIG]\r\n"
                                           "Late=never read\r\n");
    EXPECT_EQ(IniFile::readFrom(content, "CONFIG", "remotePORT"), "1234") << "case-insensitive, first wins";
    EXPECT_EQ(IniFile::readFrom(content, "config", "Quoted"), "  spaced  ");
    EXPECT_EQ(IniFile::readFrom(content, "config", "Single"), "x");
    EXPECT_EQ(IniFile::readFrom(content, "config", "Unbalanced"), "\"abc");
    EXPECT_EQ(IniFile::readFrom(content, "config", "Empty"), "");
    EXPECT_EQ(IniFile::readFrom(content, "config", "Key"), "") << "key of another section";
    EXPECT_EQ(IniFile::readFrom(content, "config", "Late"), "") << "only the first section of a name";
    EXPECT_EQ(IniFile::readFrom(content, "missing", "Key"), "");
    EXPECT_EQ(IniFile::readFrom(content, "other", "key"), "other");
}

TEST(IniFile, CutsValuesAt255Characters) {
    const QString v254(254, QLatin1Char('a'));
    const QString v300(300, QLatin1Char('b'));
    const QString content = "[s]\nshort=" + v254 + "\nlong=" + v300 + "\n";
    EXPECT_EQ(IniFile::readFrom(content, "s", "short"), v254);
    EXPECT_EQ(IniFile::readFrom(content, "s", "long"), v300.left(255));
}

TEST(IniFile, WriteReplacesInPlaceAndKeepsEverythingElse) {
    const QString content =
        QStringLiteral("; comment\r\n[CONFIG]\r\nRemotePort=1\r\nOther=2\r\n\r\n[SMS]\r\n1=600\r\n");
    const QString out = IniFile::writeInto(content, "config", "remoteport", "1003");
    EXPECT_EQ(out, "; comment\r\n[CONFIG]\r\nRemotePort=1003\r\nOther=2\r\n\r\n[SMS]\r\n1=600\r\n");

    const QString added = IniFile::writeInto(content, "CONFIG", "NewKey", "v");
    EXPECT_EQ(added, "; comment\r\n[CONFIG]\r\nRemotePort=1\r\nOther=2\r\nNewKey=v\r\n\r\n[SMS]\r\n1=600\r\n")
        << "a new key goes at the end of its section, before the blank line";

    const QString newSection = IniFile::writeInto(QStringLiteral("[a]\nx=1\n"), "status", "Time", "0");
    EXPECT_EQ(newSection, "[a]\nx=1\n\n[status]\nTime=0\n") << "keeps the file's LF endings";
    EXPECT_EQ(IniFile::writeInto(QString(), "status", "Time", "1"), "[status]\r\nTime=1\r\n");
}

TEST(IniFile, FilesOnDisk) {
    QTemporaryDir dir;
    const QString path = dir.filePath("status.ini");
    EXPECT_EQ(LeeIni(path, "status", "Time"), "") << "missing file reads empty";
    ASSERT_TRUE(EscribeIni(path, "status", "Time", "1"));
    ASSERT_TRUE(EscribeIni(path, "status", "SMSON", "0"));
    ASSERT_TRUE(EscribeIni(path, "STATUS", "time", "0"));
    EXPECT_EQ(readAll(path), QByteArray("[status]\r\nTime=0\r\nSMSON=0\r\n"));
    EXPECT_EQ(LeeIni(path, "status", "SMSOn"), "0");

    // Not valid UTF-8: read as Windows-1252, written back as UTF-8 with the other lines kept.
    const QString legacy = dir.filePath("legacy.ini");
    writeAll(legacy,
             QByteArray("[CONFIG]\r\npathGelmar=C:\\Archivos de programa\\Gelmar Se\xf1or\r\nX=\x80\r\n"));
    EXPECT_EQ(LeeIni(legacy, "CONFIG", "pathGelmar"),
              QString::fromUtf8("C:\\Archivos de programa\\Gelmar Señor"));
    EXPECT_EQ(LeeIni(legacy, "CONFIG", "X"), QString(QChar(0x20AC)));
    ASSERT_TRUE(EscribeIni(legacy, "CONFIG", "X", "1"));
    EXPECT_EQ(readAll(legacy),
              QString::fromUtf8("[CONFIG]\r\npathGelmar=C:\\Archivos de programa\\Gelmar Señor\r\nX=1\r\n")
                  .toUtf8());

    // A folder that does not exist: the write fails and says so.
    EXPECT_FALSE(EscribeIni(dir.filePath("no/such/folder/x.ini"), "a", "b", "c"));
}

TEST(IniFile, SacaCampo) {
    EXPECT_EQ(SacaCampo("BOMBA 1##Nivel alto", "##", 1), "BOMBA 1");
    EXPECT_EQ(SacaCampo("BOMBA 1##Nivel alto", "##", 2), "Nivel alto");
    EXPECT_EQ(SacaCampo("BOMBA 1##Nivel alto", "##", 3), "");
    EXPECT_EQ(SacaCampo("BOMBA 1##Nivel alto", "##", 0), "");
    EXPECT_EQ(SacaCampo("a##", "##", 2), "");
    EXPECT_EQ(SacaCampo("a#b", "##", 1), "a#b");
    EXPECT_EQ(SacaCampo("aXbxc", "x", 2), "c") << "case-sensitive separator";
}
