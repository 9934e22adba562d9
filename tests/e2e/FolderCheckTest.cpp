// vornnet --check as a technician runs it before a restart: a good folder, each settings mistake told by
// its key with the fix, and a bounded run when the station and the database server accept and stay silent.
#include "support/BlackHole.h"
#include "support/ProcessHarness.h"

#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

struct Checked {
    int exitCode = -1;
    QString out;
    qint64 ms = 0;
};

Checked runCheck(const ProcessHarness& f) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("TMP"), f.logs.path());
    AgentProcess p({QStringLiteral("--check"), QStringLiteral("--folder"), f.plant.program}, e);
    QElapsedTimer t;
    t.start();
    Checked c;
    if (!p.start() || !p.waitFinished(30s))
        return c;
    c.ms = t.elapsed();
    c.exitCode = p.process.exitStatus() == QProcess::NormalExit ? p.process.exitCode() : -1;
    c.out = QString::fromUtf8(p.out);
    return c;
}

QStringList linesWith(const QString& out, const QString& tag) {
    QStringList found;
    for (const QString& line : out.split(QLatin1Char('\n')))
        if (line.startsWith(tag))
            found << line;
    return found;
}

bool freeTdsInstalled() {
    QFile registry(QStringLiteral("/etc/odbcinst.ini"));
    return QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")) && registry.open(QIODevice::ReadOnly) &&
           registry.readAll().contains("[FreeTDS]");
}

} // namespace

TEST(FolderCheck, AGoodFolderPassesAndNothingIsWritten) {
    ProcessHarness f;
    Station station;
    ASSERT_TRUE(station.start());
    f.point(QString(), station.port);
    const QStringList before = QDir(f.plant.program).entryList(QDir::Files | QDir::Hidden);
    const Checked c = runCheck(f);
    EXPECT_EQ(c.exitCode, 0) << c.out.toStdString();
    EXPECT_TRUE(linesWith(c.out, QStringLiteral("FALLO")).isEmpty()) << c.out.toStdString();
    EXPECT_TRUE(c.out.contains(QStringLiteral("nombre de la planta: EDAR Norte"))) << c.out.toStdString();
    EXPECT_TRUE(c.out.contains(QStringLiteral("tabla FlashAlarms"))) << c.out.toStdString();
    EXPECT_TRUE(c.out.contains(QStringLiteral("acepta la conexión TCP"))) << c.out.toStdString();
    EXPECT_EQ(QDir(f.plant.program).entryList(QDir::Files | QDir::Hidden), before);
    EXPECT_TRUE(f.logLines().isEmpty()) << "the check writes no event log";
}

TEST(FolderCheck, EachMistakeIsToldByItsKeyWithTheFix) {
    const struct {
        const char* name;
        std::function<void(ProcessHarness&)> make;
        const char* tag;
        QStringList says; // in the one line that tells it
        int exit;
    } cases[] = {
        {"no vornnet.ini",
         [](ProcessHarness& f) { QFile::remove(f.plant.ini()); },
         "FALLO",
         {"vornnet.ini", "no existe", "escríbalo"},
         1},
        {"engine misspelt",
         [](ProcessHarness& f) { f.plant.config("DbEngine", "sqllite"); },
         "FALLO",
         {"DbEngine='sqllite'", "escriba DbEngine=odbc o DbEngine=sqlite"},
         1},
        {"address out of range",
         [](ProcessHarness& f) { f.plant.config("IpQuarnCenter", "192.168.1.300"); },
         "FALLO",
         {"IpQuarnCenter='192.168.1.300'", "IPv4"},
         1},
        {"position ahead of the newest alarm",
         [](ProcessHarness& f) {
             UltCodFile(f.plant.program, UltCodFile::Kind::Alarms, f.plantName).write(999999);
         },
         "FALLO",
         {"999999", "por delante", "escriba en el fichero el número correcto"},
         1},
        {"position not a number",
         [](ProcessHarness& f) {
             QFile p(f.positionPath());
             ASSERT_TRUE(p.open(QIODevice::WriteOnly));
             p.write("abc\r\n");
         },
         "FALLO",
         {"mal formado", "escriba en el fichero el número"},
         1},
        {"no buffer",
         [](ProcessHarness& f) { QFile::remove(BufferDb::pathIn(f.plant.program)); },
         "FALLO",
         {"buffer.mdb no existe", "--create-buffer"},
         1},
        {"database without a table",
         [](ProcessHarness& f) { f.plant.config("pathGelmar", f.plant.root.filePath("nowhere")); },
         "FALLO",
         {"no se abre", "pathGelmar"},
         1},
        // Warnings alone do not fail the check: the agent runs, only not as written.
        {"key misspelt",
         [](ProcessHarness& f) { f.plant.config("RemotPort", "4701"); },
         "AVISO",
         {"RemotPort", "¿quería decir RemotePort?"},
         0},
        {"port in words",
         [](ProcessHarness& f) { f.plant.config("RemotePortA", "cuarenta"); },
         "AVISO",
         {"RemotePortA='cuarenta' se toma como 1003", "escriba en RemotePortA"},
         0},
        {"port with a letter",
         [](ProcessHarness& f) { f.plant.config("RemotePortB", "47x01"); },
         "AVISO",
         {"RemotePortB='47x01' se toma como 47"},
         0},
        {"life test of no hours",
         [](ProcessHarness& f) { f.plant.config("LifeTest", "0"); },
         "AVISO",
         {"LifeTest='0' se toma como 1"},
         0},
    };
    Station station;
    ASSERT_TRUE(station.start());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessHarness f;
        f.point(QString(), station.port);
        c.make(f);
        const Checked r = runCheck(f);
        EXPECT_EQ(r.exitCode, c.exit) << r.out.toStdString();
        const QStringList tagged = linesWith(r.out, QString::fromLatin1(c.tag));
        const bool told = std::any_of(tagged.begin(), tagged.end(), [&](const QString& line) {
            return std::all_of(c.says.begin(), c.says.end(),
                               [&](const QString& s) { return line.contains(s); });
        });
        EXPECT_TRUE(told) << r.out.toStdString();
    }
}

TEST(FolderCheck, SilentPartiesDoNotHoldItUp) {
    ProcessHarness f;
    Station silent;
    ASSERT_TRUE(silent.start());
    silent.setMode("silent");
    f.point(QString(), silent.port);
    BlackHole server;
    ASSERT_NE(server.port(), 0);
    // A station that accepts and never reads, and an address no one answers from.
    f.point(QStringLiteral("A"), server.port());
    f.plant.config("IpQuarnCenterB", "10.255.255.1");
    if (freeTdsInstalled()) {
        f.plant.config("DbEngine", "odbc");
        f.plant.config("OdbcDriver", "FreeTDS");
        f.plant.config("DbServer", QStringLiteral("127.0.0.1,%1").arg(server.port()));
    }
    const Checked c = runCheck(f);
    ASSERT_NE(c.exitCode, -1) << "the check hung";
    EXPECT_LT(c.ms, 15000) << c.out.toStdString();
    EXPECT_TRUE(c.out.contains(QStringLiteral("(127.0.0.1:%1) acepta").arg(silent.port)))
        << c.out.toStdString();
    if (freeTdsInstalled())
        EXPECT_TRUE(c.out.contains(QStringLiteral("no se abre"))) << c.out.toStdString();
}
