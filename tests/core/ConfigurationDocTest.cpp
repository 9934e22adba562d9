#include "core/ConfigKeys.h"
#include "core/StatusFile.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QString readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

const QString sourceDir = QStringLiteral(VORNNET_SOURCE_DIR);

// Keys of vornnet.ini and status.ini that a text reads or writes by a literal name rather than through
// the key tables: section and key as literals in one call of the ini functions.
QSet<QString> literalKeys(const QString& text) {
    static const QRegularExpression call(QStringLiteral(
        R"re((?:LeeIni|EscribeIni|IniFile::read|IniFile::readFrom|IniFile::write)\s*\([^;]*?)re"
        R"re((?:QStringLiteral|QLatin1String)?\(?"(CONFIG|SMS|EXCLUDE|status)"\)?\s*,\s*)re"
        R"re((?:QStringLiteral|QLatin1String)?\(?"([^"]+)")re"));
    QSet<QString> keys;
    for (auto m = call.globalMatch(text); m.hasNext();)
        keys.insert(m.next().captured(2));
    return keys;
}

QSet<QString> literalKeysInSources() {
    QSet<QString> keys;
    QDirIterator it(sourceDir + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        keys.unite(literalKeys(readText(it.next())));
    return keys;
}

// Every key the agent reads, as it reads it and as it writes it, stands in docs/CONFIGURATION.md in
// backticks. The keys come from the tables the agent itself uses, so a key added to a table (or read by
// a literal name anywhere in src/) fails here until it is documented.
TEST(ConfigurationDocTest, EveryKeyTheAgentReadsIsDocumented) {
    const QString doc = readText(sourceDir + QStringLiteral("/docs/CONFIGURATION.md"));
    ASSERT_FALSE(doc.isEmpty()) << "docs/CONFIGURATION.md";

    QStringList keys;
    for (const ConfigKeys::Field& field : ConfigKeys::fields)
        keys << QString::fromLatin1(field.readAs) << QString::fromLatin1(field.writeAs);
    for (const char* key : ConfigKeys::variables)
        keys << QString::fromLatin1(key);
    for (StatusFile::Flag flag : StatusFile::flags)
        keys << StatusFile::keyAsRead(flag) << StatusFile::keyAsWritten(flag);
    keys << StatusFile::ultOptimizaKey << literalKeysInSources().values();

    QStringList missing;
    for (const QString& key : std::as_const(keys))
        if (!doc.contains(QLatin1Char('`') + key + QLatin1Char('`')) && !missing.contains(key))
            missing << key;
    EXPECT_TRUE(missing.isEmpty()) << "not in docs/CONFIGURATION.md: "
                                   << missing.join(QStringLiteral(", ")).toStdString();

    for (const char* section : {"## `vornnet.ini`, section `CONFIG`", "## `vornnet.ini`, section `SMS`",
                                "## `vornnet.ini`, section `EXCLUDE`", "## `status.ini`, section `status`"})
        EXPECT_TRUE(doc.contains(QLatin1String(section))) << section;
}

} // namespace
