#include "app/ConfigCheck.h"

#include "app/ClosestKey.h"
#include "core/settings/ConfigRules.h"
#include "core/settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <algorithm>

QStringList ConfigCheck::keysOf(const QString& content, const QString& section) {
    QStringList keys;
    QSet<QString> seen;
    bool inSection = false;
    for (QString line : content.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inSection = line.mid(1, line.indexOf(QLatin1Char(']')) - 1)
                            .trimmed()
                            .compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inSection || eq <= 0 || line.startsWith(QLatin1Char(';')))
            continue;
        const QString key = line.left(eq).trimmed();
        if (!seen.contains(key.toLower())) {
            seen.insert(key.toLower());
            keys << key;
        }
    }
    return keys;
}

QList<CheckLine> ConfigCheck::run() const {
    using L = CheckLine::Level;
    QList<CheckLine> lines;
    const QString where = QDir::toNativeSeparators(m_iniPath);
    QFile file(m_iniPath);
    if (!file.open(QIODevice::ReadOnly)) {
        lines.append(
            {L::Fallo, QStringLiteral("vornnet.ini (%1)").arg(where),
             QStringLiteral("no existe o no se puede leer; escríbalo (docs/CONFIGURATION.md) antes de "
                            "arrancar el agente")});
        return lines;
    }
    lines.append({L::Ok, QStringLiteral("vornnet.ini (%1)").arg(where), {}});

    const QStringList known = ConfigRules::knownKeys();
    const QString config = QStringLiteral("CONFIG");
    bool allAsWritten = true;
    for (const QString& key : keysOf(IniFile::decode(file.readAll()), config)) {
        const bool isKnown = std::any_of(known.begin(), known.end(), [&](const QString& k) {
            return k.compare(key, Qt::CaseInsensitive) == 0;
        });
        if (!isKnown) {
            const QString near = closestKey(key, known);
            lines.append({L::Aviso, QStringLiteral("clave desconocida %1 en [CONFIG]").arg(key),
                          near.isEmpty()
                              ? QStringLiteral("el agente no la lee; bórrela")
                              : QStringLiteral("el agente no la lee; ¿quería decir %1?").arg(near)});
            allAsWritten = false;
            continue;
        }
        const ConfigRules::Reading r = ConfigRules::read(key, LeeIni(m_iniPath, config, key));
        if (r.severity == ConfigRules::Severity::None)
            continue;
        allAsWritten = false;
        const auto named = [&key](const char* k) {
            return key.compare(QLatin1String(k), Qt::CaseInsensitive) == 0;
        };
        QString fix = QStringLiteral("escriba en %1 el valor que quiere decir").arg(key);
        if (named(ConfigKeys::DbEngine))
            fix = QStringLiteral("escriba DbEngine=odbc o DbEngine=sqlite");
        else if (named(ConfigKeys::GelmarUnit))
            fix = QStringLiteral(
                "escriba el nombre de la unidad del sistema de supervisión (gelmar.service, por "
                "ejemplo) o déjelo vacío");
        lines.append({r.severity == ConfigRules::Severity::Failure ? L::Fallo : L::Aviso, r.note, fix});
    }
    if (LeeIni(m_iniPath, config, QStringLiteral("IpQuarnCenter")).trimmed().isEmpty()) {
        lines.append({L::Fallo, QStringLiteral("IpQuarnCenter vacío"),
                      QStringLiteral("escriba la dirección de la central principal")});
        allAsWritten = false;
    }
    if (allAsWritten)
        lines.append(
            {L::Ok, QStringLiteral("claves y valores de [CONFIG] tomados tal como están escritos"), {}});
    return lines;
}
