#include "app/LogRetention.h"

#include "core/runtime/Diagnostics.h"
#include "core/settings/ConfigKeys.h"
#include "core/settings/ConfigRules.h"
#include "core/settings/IniFile.h"
#include "core/text/AgentLocale.h"

#include <QDir>
#include <QFile>

namespace {

constexpr int monthsPerYear = 12;

} // namespace

int LogRetention::monthsOf(const QString& text) {
    return ConfigRules::logMonths(text);
}

QDate LogRetention::monthOfName(const QString& fileName, const QString& prefix) {
    const QString suffix = QStringLiteral(".log");
    if (!fileName.startsWith(prefix) || !fileName.endsWith(suffix))
        return {};
    const QString tag = fileName.mid(prefix.size()).chopped(suffix.size());
    bool ok = false;
    const int yy = tag.right(2).toInt(&ok);
    if (!ok || tag.size() < 4)
        return {};
    // The names are made by the month's own tag: compare with the twelve of that year.
    for (int month = 1; month <= monthsPerYear; ++month) {
        const QDate first(2000 + yy, month, 1);
        if (AgentLocale::monthTag(first) == tag)
            return first;
    }
    return {};
}

QStringList LogRetention::prune(const QString& folder, const QString& prefix, const QDate& today,
                                int months) {
    QStringList deleted;
    if (months <= 0 || folder.isEmpty())
        return deleted;
    const int current = today.year() * monthsPerYear + today.month();
    const QDir dir(folder);
    for (const QString& name : dir.entryList({prefix + QStringLiteral("*.log")}, QDir::Files)) {
        const QDate month = monthOfName(name, prefix);
        if (!month.isValid() || current - (month.year() * monthsPerYear + month.month()) < months)
            continue;
        if (QFile::remove(dir.filePath(name)))
            deleted << name;
        else
            qCWarning(lcAgent).noquote() << QStringLiteral("registro %1 conservado: no se ha podido borrar")
                                                .arg(QDir::toNativeSeparators(dir.filePath(name)));
    }
    return deleted;
}

void LogRetention::run(const QString& iniPath, const QString& logFolder, const QString& programFolder,
                       const QDate& today) {
    if (m_lastRun == today)
        return;
    m_lastRun = today;
    const int months =
        monthsOf(LeeIni(iniPath, QStringLiteral("CONFIG"), QString::fromLatin1(ConfigKeys::LogMonths)));
    QStringList deleted = prune(logFolder, QStringLiteral("VORNNET-"), today, months);
    deleted += prune(programFolder, QStringLiteral("modem-"), today, months);
    if (!deleted.isEmpty())
        qCInfo(lcAgent).noquote() << QStringLiteral("registros de más de %1 meses borrados: %2")
                                         .arg(months)
                                         .arg(deleted.join(QStringLiteral(", ")));
}
