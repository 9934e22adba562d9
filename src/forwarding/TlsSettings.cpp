#include "forwarding/TlsSettings.h"

#include "core/settings/ConfigKeys.h"
#include "core/settings/IniFile.h"

#include <QDir>

using ConfigRules::TlsMode;

bool TlsSettings::secured(int link) const {
    return link >= 1 && link <= linkCount &&
           (modes[link - 1] != TlsMode::Off || !badModes[link - 1].isEmpty());
}

bool TlsSettings::anySecured() const {
    for (int link = 1; link <= linkCount; ++link)
        if (secured(link))
            return true;
    return false;
}

const char* TlsSettings::modeKey(int link) {
    static const char* const keys[linkCount] = {ConfigKeys::TlsMode, ConfigKeys::TlsModeA,
                                                ConfigKeys::TlsModeB};
    return keys[std::clamp(link, 1, linkCount) - 1];
}

QString TlsSettings::settingsProblem(int link) const {
    if (!badModes[link - 1].isEmpty())
        return QStringLiteral("TLS: %1='%2' no es off, cert ni psk")
            .arg(QString::fromLatin1(modeKey(link)), badModes[link - 1]);
    if (!badPins.isEmpty() && mode(link) == TlsMode::Cert)
        return QStringLiteral("TLS: TlsPin='%1' no es una lista de huellas SHA-256").arg(badPins);
    if (mode(link) == TlsMode::Psk && (pskIdentity.isEmpty() || pskFile.isEmpty()))
        return QStringLiteral("TLS: modo psk sin TlsPskIdentity o sin TlsPskFile");
    if (mode(link) == TlsMode::Cert && certFile.isEmpty() != keyFile.isEmpty())
        return QStringLiteral("TLS: TlsCertFile y TlsKeyFile van juntos");
    return {};
}

QString TlsSettings::peerName(const QString& address) const {
    return serverName.isEmpty() ? address : serverName;
}

TlsSettings TlsSettings::fromIni(const QString& iniPath, const QString& programFolder) {
    const auto value = [&](const char* key) {
        return LeeIni(iniPath, QStringLiteral("CONFIG"), QString::fromLatin1(key)).trimmed();
    };
    const auto path = [&](const char* key) {
        const QString p = value(key);
        return p.isEmpty() ? p : QDir(programFolder).absoluteFilePath(p);
    };
    TlsSettings s;
    for (int link = 1; link <= linkCount; ++link) {
        const QString text = value(modeKey(link));
        const std::optional<TlsMode> mode = ConfigRules::tlsMode(text);
        s.modes[link - 1] = mode.value_or(TlsMode::Off);
        if (!mode)
            s.badModes[link - 1] = text;
    }
    const QString pins = value(ConfigKeys::TlsPin);
    if (const std::optional<QList<QByteArray>> read = ConfigRules::tlsPins(pins))
        s.pins = *read;
    else
        s.badPins = pins;
    s.caFile = path(ConfigKeys::TlsCaFile);
    s.serverName = value(ConfigKeys::TlsServerName);
    s.certFile = path(ConfigKeys::TlsCertFile);
    s.keyFile = path(ConfigKeys::TlsKeyFile);
    s.pskIdentity = value(ConfigKeys::TlsPskIdentity);
    s.pskFile = path(ConfigKeys::TlsPskFile);
    return s;
}
