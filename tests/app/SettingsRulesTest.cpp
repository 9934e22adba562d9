#include "app/ClosestKey.h"
#include "app/LogRetention.h"
#include "core/settings/ConfigRules.h"
#include "core/text/AgentLocale.h"

#include "support/TestCommon.h"

// What start-up makes of a written value, told the same way by --check and the configuration screen, and
// the closest known key for a mistyped one.

using ConfigRules::Severity;

TEST(SettingsRules, ValuesAsStartUpTakesThem) {
    const std::tuple<const char*, std::string, const char*, Severity> cases[] = {
        {"RemotePort", "47x01", "47", Severity::Warning},
        {"remoteporta", "cuarenta", "1003", Severity::Warning},
        {"RemotePort", "4701", "4701", Severity::None},
        {"RemotePortB", "", "1003", Severity::None},
        {"RemotePort", "70000", "1003", Severity::Warning}, // no port can have it: the default
        {"RemotePortA", "-1", "1003", Severity::Warning},
        {"RemotePortB", "10003.7", "10004", Severity::Warning}, // the number the link connects to
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
        {"TlsModeA", "CERT", "CERT", Severity::None},
        {"TlsModeB", "tls", "tls", Severity::Failure},
        {"TlsPin",
         "SHA256 Fingerprint=" + std::string(32, 'a') + std::string(32, 'B') + ", " + std::string(64, '0'),
         "", Severity::None},
        {"TlsPin", "AB:CD:EF", "AB:CD:EF", Severity::Failure},
    };
    for (const auto& [key, written, taken, severity] : cases) {
        SCOPED_TRACE(std::string(key) + "=" + written);
        const ConfigRules::Reading r =
            ConfigRules::read(QString::fromLatin1(key), QString::fromStdString(written));
        EXPECT_EQ(r.severity, severity) << r.note;
        if (severity == Severity::Warning)
            EXPECT_EQ(r.taken, QString::fromUtf8(taken));
        // The note names the key and the value written, so the reader finds the line to mend.
        if (severity != Severity::None)
            EXPECT_TRUE(r.note.contains(QString::fromLatin1(key)) &&
                        r.note.contains(QString::fromStdString(written)))
                << r.note;
    }
}

TEST(SettingsRules, PinsAreTheFingerprintsAsOpensslPrintsThem) {
    const QByteArray digest = QByteArray::fromHex("5a" + QByteArray(62, 'f'));
    QString printed = "SHA256 Fingerprint=5A:" + QString("FF:").repeated(30) + "FF";
    EXPECT_EQ(ConfigRules::tlsPins(printed), QList<QByteArray>{digest});
    EXPECT_EQ(ConfigRules::tlsPins(" " + printed.toLower() + " ,,"), QList<QByteArray>{digest});
    EXPECT_EQ(ConfigRules::tlsPins(""), QList<QByteArray>{});
    EXPECT_EQ(ConfigRules::tlsPins(printed + "FF"), std::nullopt) << "33 bytes";
    EXPECT_EQ(ConfigRules::tlsPins(printed.replace("5A", "5G")), std::nullopt);
}

TEST(SettingsRules, ClosestKnownKey) {
    const QStringList known = ConfigRules::knownKeys();
    const std::tuple<const char*, const char*> cases[] = {
        {"RemotPort", "RemotePort"}, {"remoteporta", "RemotePortA"}, {"IpQuarnCentre", "IpQuarnCenter"},
        {"DbEngin", "DbEngine"},     {"smsenable", "smsEnabled"},    {"Colour", ""},
        {"LogMonth", "LogMonths"}};
    for (const auto& [typed, closest] : cases)
        EXPECT_EQ(closestKey(QString::fromLatin1(typed), known), QString::fromLatin1(closest)) << typed;
}

QString eventLog(int year, int month) {
    return QStringLiteral("VORNNET-") + AgentLocale::monthTag(QDate(year, month, 1)) + QStringLiteral(".log");
}

TEST(LogRetention, MonthsKeptByTheKeysText) {
    const std::tuple<const char*, int> cases[] = {{"", 0},    {"0", 0},   {"-3", 0}, {"doce", 0},
                                                  {"12", 12}, {" 3 ", 3}, {"2.5", 0}};
    for (const auto& [text, months] : cases)
        EXPECT_EQ(LogRetention::monthsOf(QString::fromUtf8(text)), months) << text;
}

// Three months kept on 15 March 2026: March, February and January stay; December and older go, and
// files that only look alike (no month, another prefix or extension) are never touched.
TEST(LogRetention, PruneKeepsTheMonthsCountingTheCurrentOne) {
    QTemporaryDir dir;
    const QStringList kept = {eventLog(2026, 3),
                              eventLog(2026, 1),
                              eventLog(2026, 2),
                              "VORNNET-notes.log",
                              "VORNNET-xyz-20.log",
                              "VORNNET-.log",
                              eventLog(2020, 1).replace(".log", ".txt"),
                              "modem-" + AgentLocale::monthTag(QDate(2020, 1, 1)) + ".log"};
    const QStringList old = {eventLog(2025, 12), eventLog(2024, 3)}; // sorted by name
    for (const QString& name : kept + old)
        writeFile(dir.filePath(name));
    QStringList deleted = LogRetention::prune(dir.path(), QStringLiteral("VORNNET-"), QDate(2026, 3, 15), 3);
    deleted.sort();
    EXPECT_EQ(deleted, old);
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(dir.filePath(name))) << name;
    // 0 keeps everything.
    EXPECT_TRUE(LogRetention::prune(dir.path(), QStringLiteral("VORNNET-"), QDate(2030, 1, 1), 0).isEmpty());
}
