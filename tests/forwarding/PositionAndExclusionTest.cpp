#include "core/AgentError.h"
#include "core/IniFile.h"
#include "forwarding/Exclusions.h"
#include "forwarding/OfficeHours.h"
#include "forwarding/UltCodFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(UltCodFile, ContentNamesAndParsing) {
    EXPECT_EQ(UltCodFile::content(1234), QByteArray(" 1234\r\n"));
    EXPECT_EQ(UltCodFile::content(0), QByteArray(" 0\r\n"));
    EXPECT_EQ(UltCodFile::content(-5), QByteArray("-5\r\n"));
    EXPECT_EQ(UltCodFile::parse(" 1234\r\n"), 1234);
    EXPECT_EQ(UltCodFile::parse("\t77 rubbish"), 77);
    EXPECT_EQ(UltCodFile::parse(""), std::nullopt);
    EXPECT_EQ(UltCodFile::parse("abc"), std::nullopt);
    EXPECT_EQ(UltCodFile::fileName(UltCodFile::Kind::Alarms, "DEMO"), "VornNetUltCod_DEMO.ini");
    EXPECT_EQ(UltCodFile::fileName(UltCodFile::Kind::Buffer, "Planta|1"), "VornNetUltCodBuffer_Planta|1.ini");
    EXPECT_EQ(UltCodFile::fileName(UltCodFile::Kind::Alarms, "EDAR/Norte\\2"), "VornNetUltCod_EDAR_Norte_2.ini")
        << "a plant name can not make the file land in another folder";
}

TEST(UltCodFile, ReadWriteAndOldNames) {
    QTemporaryDir dir;
    UltCodFile file(dir.path(), UltCodFile::Kind::Alarms, "DEMO");
    EXPECT_FALSE(file.exists());
    EXPECT_EQ(file.read(), std::nullopt);
    ASSERT_TRUE(file.write(42));
    EXPECT_EQ(file.read(), 42);
    QFile raw(file.path());
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_EQ(raw.readAll(), QByteArray(" 42\r\n"));
    raw.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"VornNetUltCod_DEMO.ini"}))
        << "no temporary file is left behind";

    // A file named in another case is the same file.
    UltCodFile other(dir.path(), UltCodFile::Kind::Alarms, "demo");
    EXPECT_EQ(other.read(), 42);

    // Garbage is an error, not position 0: the scan must not start over.
    ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
    raw.write("garbage");
    raw.close();
    EXPECT_THROW(file.read(), AgentError);

    // Old-style names move to the per-plant name; a name already taken is an error.
    QTemporaryDir dir2;
    QFile old(QDir(dir2.path()).filePath("vornnetultcodbuffer.ini"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(" 9\r\n");
    old.close();
    UltCodFile buffer(dir2.path(), UltCodFile::Kind::Buffer, "EDAR");
    buffer.adoptOldFile(dir2.path());
    EXPECT_EQ(UltCodFile(dir2.path(), UltCodFile::Kind::Buffer, "EDAR").read(), 9);
    EXPECT_FALSE(old.exists());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    EXPECT_THROW(UltCodFile(dir2.path(), UltCodFile::Kind::Buffer, "EDAR").adoptOldFile(dir2.path()), AgentError);
}

TEST(Exclusions, HayQueEnviar) {
    QTemporaryDir dir;
    const QString ini = QDir(dir.path()).filePath("vornnet.ini");
    Exclusions ex(ini);
    EXPECT_TRUE(ex.HayQueEnviar("BOMBA 1", "Nivel alto")) << "no list";

    IniFile::write(ini, "EXCLUDE", "1", "Bomba 1##*");
    IniFile::write(ini, "EXCLUDE", "2", "SISTEMA##Modo SMS Activado");
    IniFile::write(ini, "EXCLUDE", "4", "CUADRO##*");
    EXPECT_FALSE(ex.HayQueEnviar("BOMBA 1", "Nivel alto")) << "device in any case, every alarm";
    EXPECT_FALSE(ex.HayQueEnviar("bomba 1", "Otra"));
    EXPECT_FALSE(ex.HayQueEnviar("sistema", "MODO SMS ACTIVADO"));
    EXPECT_TRUE(ex.HayQueEnviar("SISTEMA", "Disco duro: Superado el mínimo espacio libre."));
    EXPECT_TRUE(ex.HayQueEnviar("CUADRO", "x")) << "key 3 is missing: key 4 is never read";
    EXPECT_TRUE(ex.HayQueEnviar("BOMBA 12", "x")) << "the device must match whole";

    // A device without an alarm part excludes only an empty alarm text.
    IniFile::write(ini, "EXCLUDE", "3", "VALVULA");
    EXPECT_TRUE(ex.HayQueEnviar("VALVULA", "Abierta"));
    EXPECT_FALSE(ex.HayQueEnviar("VALVULA", ""));
    EXPECT_FALSE(ex.HayQueEnviar("CUADRO", "x")) << "with key 3 present, key 4 counts";
}

TEST(OfficeHours, Boundaries) {
    auto at = [](int day, int h, int m, int s) { return QDateTime(QDate(2026, 12, day), QTime(h, m, s)); };
    // 7 December 2026 is a Monday, 5 a Saturday, 6 a Sunday.
    EXPECT_TRUE(OfficeHours::outside(at(7, 6, 59, 59)));
    EXPECT_FALSE(OfficeHours::outside(at(7, 7, 0, 0)));
    EXPECT_FALSE(OfficeHours::outside(at(7, 16, 0, 0)));
    EXPECT_TRUE(OfficeHours::outside(at(7, 16, 0, 1)));
    EXPECT_TRUE(OfficeHours::outside(at(5, 12, 0, 0)));
    EXPECT_FALSE(OfficeHours::outside(at(6, 12, 0, 0)));
    EXPECT_TRUE(OfficeHours::outside(at(6, 23, 0, 0)));
}
