// vornnet --check as a technician runs it before a restart: a good folder, each settings mistake told by its
// key with the fix, and a bounded run when the station and the database server accept and stay silent. What
// each value is taken as is the unit tests' (tests/app); here, that the check says it and ends so.
#include "support/BlackHole.h"
#include "support/ProcessHarness.h"

TEST(FolderCheck, AGoodFolderPassesAndNothingIsWritten) {
    ProcessHarness f;
    Station station;
    ASSERT_TRUE(f.startStation(station));
    const QStringList before = QDir(f.plant.program).entryList(QDir::Files | QDir::Hidden);
    const Ran c = f.runCommand({"--check"});
    EXPECT_EQ(c.exitCode, 0) << c.out;
    EXPECT_FALSE(c.out.contains(QRegularExpression("^FALLO", QRegularExpression::MultilineOption))) << c.out;
    for (const char* says :
         {"nombre de la planta: EDAR Norte", "tabla FlashAlarms", "acepta la conexión TCP"})
        EXPECT_TRUE(c.out.contains(says)) << c.out;
    EXPECT_EQ(QDir(f.plant.program).entryList(QDir::Files | QDir::Hidden), before);
    EXPECT_TRUE(f.logLines().isEmpty()) << "the check writes no event log";
}

TEST(FolderCheck, EachMistakeIsToldByItsKeyWithTheFix) {
    const struct {
        const char* name;
        std::function<void(ProcessHarness&)> make;
        QStringList says; // in the one line that tells it, after its tag
    } cases[] = {
        {"no vornnet.ini",
         [](ProcessHarness& f) { QFile::remove(f.plant.ini()); },
         {"FALLO", "vornnet.ini", "no existe", "escríbalo"}},
        {"engine misspelt",
         [](ProcessHarness& f) { f.plant.config("DbEngine", "sqllite"); },
         {"FALLO", "DbEngine='sqllite'", "escriba DbEngine=odbc o DbEngine=sqlite"}},
        {"address out of range",
         [](ProcessHarness& f) { f.plant.config("IpQuarnCenter", "192.168.1.300"); },
         {"FALLO", "IpQuarnCenter='192.168.1.300'", "IPv4"}},
        {"position ahead of the newest alarm",
         [](ProcessHarness& f) {
             UltCodFile(f.plant.program, UltCodFile::Kind::Alarms, f.plantName).write(999999);
         },
         {"FALLO", "999999", "por delante", "escriba en el fichero el número correcto"}},
        {"position not a number",
         [](ProcessHarness& f) { writeFile(f.positionPath(), "abc\r\n"); },
         {"FALLO", "mal formado", "escriba en el fichero el número"}},
        {"no buffer",
         [](ProcessHarness& f) { QFile::remove(BufferDb::pathIn(f.plant.program)); },
         {"FALLO", "buffer.mdb no existe", "--create-buffer"}},
        {"database without a table",
         [](ProcessHarness& f) { f.plant.config("pathGelmar", f.plant.root.filePath("nowhere")); },
         {"FALLO", "no se abre", "pathGelmar"}},
        // A warning alone does not fail the check: the agent runs, only not as written.
        {"key misspelt",
         [](ProcessHarness& f) { f.plant.config("RemotPort", "4701"); },
         {"AVISO", "RemotPort", "¿quería decir RemotePort?"}},
        {"port out of range",
         [](ProcessHarness& f) { f.plant.config("RemotePortA", "70000"); },
         {"AVISO", "RemotePortA='70000' se toma como 1003"}},
    };
    Station station;
    ASSERT_TRUE(station.start());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessHarness f;
        f.point("", station.port);
        c.make(f);
        const Ran r = f.runCommand({"--check"});
        const QStringList lines = r.out.split('\n');
        EXPECT_EQ(r.exitCode, c.says[0] == "FALLO" ? 1 : 0) << r.out;
        const bool told = std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
            return line.startsWith(c.says[0]) &&
                   std::all_of(c.says.begin(), c.says.end(),
                               [&](const QString& s) { return line.contains(s); });
        });
        EXPECT_TRUE(told) << r.out;
    }
}

TEST(FolderCheck, SilentPartiesDoNotHoldItUp) {
    ProcessHarness f;
    Station silent;
    ASSERT_TRUE(f.startStation(silent));
    silent.setMode("silent");
    BlackHole server;
    ASSERT_NE(server.port(), 0);
    // A station that accepts and never reads, and an address no one answers from.
    f.point("A", server.port());
    f.plant.config("IpQuarnCenterB", "10.255.255.1");
    const bool freeTds = freeTdsInstalled();
    if (freeTds) {
        f.plant.config("DbEngine", "odbc");
        f.plant.config("OdbcDriver", "FreeTDS");
        f.plant.config("DbServer", QString("127.0.0.1,%1").arg(server.port()));
    }
    const Ran c = f.runCommand({"--check"});
    ASSERT_NE(c.exitCode, -1) << "the check hung";
    EXPECT_LT(c.ms, 15000) << c.out;
    EXPECT_TRUE(c.out.contains(QString("(127.0.0.1:%1) acepta").arg(silent.port))) << c.out;
    if (freeTds)
        EXPECT_TRUE(c.out.contains("no se abre")) << c.out;
}
