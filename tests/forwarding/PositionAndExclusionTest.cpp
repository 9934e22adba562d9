#include "core/runtime/AgentError.h"
#include "forwarding/Exclusions.h"
#include "forwarding/OfficeHours.h"
#include "forwarding/UltCodFile.h"
#include "support/TestCommon.h"

TEST(UltCodFile, ContentAtomicWriteAndOldNames) {
    EXPECT_EQ(UltCodFile::content(-5), QByteArray("-5\r\n"));
    EXPECT_EQ(UltCodFile::fileName(UltCodFile::Kind::Buffer, "Planta|1"), "VornNetUltCodBuffer_Planta|1.ini");
    EXPECT_EQ(UltCodFile::fileName(UltCodFile::Kind::Alarms, "EDAR/Norte\\2"),
              "VornNetUltCod_EDAR_Norte_2.ini")
        << "a plant name can not make the file land in another folder";

    QTemporaryDir dir;
    UltCodFile file(dir.path(), UltCodFile::Kind::Alarms, "DEMO");
    EXPECT_EQ(file.read(), std::nullopt);
    ASSERT_TRUE(file.write(42));
    EXPECT_EQ(readFile(file.path()), QByteArray(" 42\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"VornNetUltCod_DEMO.ini"}))
        << "no temporary file is left behind";
    EXPECT_EQ(UltCodFile(dir.path(), UltCodFile::Kind::Alarms, "demo").read(), 42) << "names ignore case";

    // Later writes go through the spare, which then holds the position before; whatever it held is
    // replaced whole.
    writeFile(file.sparePath(), "debris left by a crash, longer than a position");
    ASSERT_TRUE(file.write(43, UltCodFile::Sync::Paced));
    ASSERT_TRUE(file.write(44, UltCodFile::Sync::Paced));
    EXPECT_TRUE(file.sync());
    EXPECT_EQ(file.read(), 44);
    EXPECT_EQ(readFile(file.sparePath()), QByteArray(" 43\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              QStringList({"VornNetUltCod_DEMO.ini", "VornNetUltCod_DEMO.ini.swap"}));

    // A write that cannot finish leaves the old position (here its spare can not be written).
    ASSERT_TRUE(QFile::remove(file.sparePath()));
    ASSERT_TRUE(QDir().mkdir(file.sparePath()));
    EXPECT_FALSE(file.write(45, UltCodFile::Sync::Paced));
    EXPECT_FALSE(file.write(45));
    EXPECT_EQ(file.read(), 44);
    ASSERT_TRUE(QDir().rmdir(file.sparePath()));

    // Old-style names move to the per-plant name; a name already taken is an error.
    QTemporaryDir dir2;
    const QString old = QDir(dir2.path()).filePath("vornnetultcodbuffer.ini");
    writeFile(old, " 9\r\n");
    UltCodFile buffer(dir2.path(), UltCodFile::Kind::Buffer, "EDAR");
    buffer.adoptOldFile(dir2.path());
    EXPECT_EQ(buffer.read(), 9);
    EXPECT_FALSE(QFile::exists(old));
    writeFile(old, "");
    EXPECT_THROW(buffer.adoptOldFile(dir2.path()), AgentError);
}

TEST(UltCodFile, FirstNumberWhateverSurroundsIt) {
    // What the seeded properties do not generate: other encodings' blanks, and numbers beyond 64 bits.
    const std::pair<QByteArray, std::optional<qint64>> cases[] = {
        {"\xEF\xBB\xBF\x20\x35\x0D\x0A", 5}, // a Windows editor's UTF-8 with BOM
        {QByteArray("\xA0") + "42", 42},     // the single-byte code page's no-break space
        {QByteArray("\xFF\xFE\x20\x00\x31\x00\x32\x00\x0D\x00", 10), 12}, // UTF-16 from Notepad
        // No usable number.
        {"", std::nullopt},
        {" \r\n", std::nullopt},
        {"\xEF\xBB\xBF", std::nullopt},
        {"garbage 12", std::nullopt},
        {"-", std::nullopt},
        {"9223372036854775808", std::nullopt}, // beyond 64 bits
        {"99999999999999999999999", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(UltCodFile::parse(text), expected) << text.toHex();
}

TEST(UltCodFile, PlantNamesTooLongForAFileNameAreCutWithAStableHash) {
    QTemporaryDir dir;
    const QString longAscii(300, 'A');
    const QString longAccented = QString(120, QChar(0x00F1)); // 240 bytes of UTF-8
    const QString names[] = {"EDAR Norte", QString(224, 'B'), QString(225, 'B'),
                             longAscii,    longAscii + "x",   longAccented};
    QStringList fileNames;
    for (const QString& plant : names) {
        for (auto kind : {UltCodFile::Kind::Alarms, UltCodFile::Kind::Buffer}) {
            const QString name = UltCodFile::fileName(kind, plant);
            SCOPED_TRACE(name);
            const QString full =
                (kind == UltCodFile::Kind::Alarms ? "VornNetUltCod_" : "VornNetUltCodBuffer_") + plant +
                ".ini";
            if (full.toUtf8().size() + 7 <= 255) {
                EXPECT_EQ(name, full) << "a name that fits is kept";
            }
            EXPECT_LE(name.toUtf8().size() + 7, 255) << "room for the temporary file's extra characters";
            EXPECT_EQ(UltCodFile::fileName(kind, plant), name) << "stable";
            const UltCodFile file(dir.path(), kind, plant);
            ASSERT_TRUE(file.write(987));
            EXPECT_EQ(file.read(), 987);
            fileNames << name;
        }
    }
    EXPECT_EQ(fileNames.removeDuplicates(), 0) << "names that share their first characters name other files";
    EXPECT_TRUE(UltCodFile::fileName(UltCodFile::Kind::Alarms, longAccented).isValidUtf16())
        << "cut between characters, never inside one";
}

TEST(Exclusions, HayQueEnviar) {
    QTemporaryDir dir;
    const QString ini = QDir(dir.path()).filePath("vornnet.ini");
    Exclusions ex(ini);
    EXPECT_TRUE(ex.HayQueEnviar("BOMBA 1", "Nivel alto")) << "no list";

    EscribeIni(ini, "EXCLUDE", "1", "Bomba 1##*");
    EscribeIni(ini, "EXCLUDE", "2", "SISTEMA##Modo SMS Activado");
    EscribeIni(ini, "EXCLUDE", "3", "VALVULA");
    EXPECT_FALSE(ex.HayQueEnviar("bomba 1", "Nivel alto")) << "device in any case, every alarm";
    EXPECT_FALSE(ex.HayQueEnviar("sistema", "MODO SMS ACTIVADO"));
    EXPECT_TRUE(ex.HayQueEnviar("SISTEMA", "Disco duro: Superado el mínimo espacio libre."));
    EXPECT_TRUE(ex.HayQueEnviar("BOMBA 12", "x")) << "the device must match whole";
    // A device without an alarm part excludes only an empty alarm text.
    EXPECT_TRUE(ex.HayQueEnviar("VALVULA", "Abierta"));
    EXPECT_FALSE(ex.HayQueEnviar("VALVULA", ""));
}

TEST(Exclusions, ParsedOnceByTheIniRules) {
    const struct {
        const char* name;
        const char* ini;
        QList<std::pair<QString, QString>> entries;
    } cases[] = {
        {"ends at the first missing key", "[EXCLUDE]\n1=A##x\n2=B##*\n4=D##y\n", {{"A", "x"}, {"B", "*"}}},
        {"ends at the first empty key", "[EXCLUDE]\n1=A##x\n2=\n3=C##z\n", {{"A", "x"}}},
        {"first occurrence of a key, blanks and quotes removed",
         "[exclude]\n 1 = \"A##x\" \n1=B##y\n",
         {{"A", "x"}}},
        {"only the first section of the name",
         "[EXCLUDE]\n1=A##x\n[OTRA]\n2=B##y\n[EXCLUDE]\n2=C##z\n",
         {{"A", "x"}}},
        {"keys are numbers as written", "[EXCLUDE]\n01=A##x\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Exclusions::List list = Exclusions::parse(QString::fromUtf8(c.ini));
        EXPECT_EQ(list.entries, c.entries);
        EXPECT_FALSE(list.overflow);
    }
}

TEST(Exclusions, EveryCallSeesTheFileAsItStandsAndALongListOverflows) {
    QTemporaryDir dir;
    const QString ini = QDir(dir.path()).filePath("vornnet.ini");
    writeFile(ini, "[EXCLUDE]\r\n1=BOMBA##*\r\n");
    // An old file: its parsed list is kept while the file stays the same.
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    Exclusions ex(ini);
    EXPECT_FALSE(ex.HayQueEnviar("BOMBA", "x"));
    EXPECT_FALSE(ex.HayQueEnviar("BOMBA", "x"));

    // Rewritten in place to the same size with its old time put back: still seen.
    ASSERT_TRUE(file.seek(0));
    file.write("[EXCLUDE]\r\n1=OMBAB##*\r\n");
    file.flush();
    ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    EXPECT_TRUE(ex.HayQueEnviar("BOMBA", "x"));
    EXPECT_FALSE(ex.HayQueEnviar("OMBAB", "x"));
    file.close();

    QFile::remove(ini);
    EXPECT_TRUE(ex.HayQueEnviar("OMBAB", "x")) << "no file, no list";

    // Keys 1 to 32767 all present: the 16-bit key counter overflows, whatever the alarm.
    QByteArray full = "[EXCLUDE]\n";
    for (int key = 1; key <= 32767; ++key)
        full += QByteArray::number(key) + "=D" + QByteArray::number(key) + "##*\n";
    writeFile(ini, full);
    EXPECT_THROW(ex.HayQueEnviar("OTRO", "x"), AgentError);
    writeFile(ini, full.replace("\n32767=D32767##*\n", "\n"));
    EXPECT_FALSE(ex.HayQueEnviar("D32766", "x")) << "one key fewer ends in time";
}

TEST(OfficeHours, Boundaries) {
    // 7 December 2026 is a Monday, 5 a Saturday, 6 a Sunday.
    const std::tuple<int, QTime, bool> cases[] = {
        {7, QTime(6, 59, 59), true}, {7, QTime(7, 0, 0), false}, {7, QTime(16, 0, 0), false},
        {7, QTime(16, 0, 1), true},  {5, QTime(12, 0, 0), true}, {6, QTime(12, 0, 0), false},
        {6, QTime(23, 0, 0), true},
    };
    for (const auto& [day, time, outside] : cases)
        EXPECT_EQ(OfficeHours::outside(QDateTime(QDate(2026, 12, day), time)), outside)
            << day << " " << time.toString();
}
