#include "plant/PlantFiles.h"

#include "core/model/Dialogs.h"
#include "core/settings/IniFile.h"
#include "plant/RegionalNumber.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcPlant, "vornnet.plant")

// The whole file, read once for a load: every value then comes from the same contents. A missing file
// reads as empty, as a missing ini file always has; one that exists but cannot be read is told.
QString contentsOf(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcPlant, "%s no se puede leer (%s): se carga vacío",
                  qPrintable(QDir::toNativeSeparators(path)), qPrintable(file.errorString()));
        return {};
    }
    return IniFile::decode(file.readAll());
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

PlantFiles::PlantFiles(QString programFolder, Dialogs& dialogs, QLocale regional)
    : m_folder(std::move(programFolder)), m_dialogs(dialogs), m_regional(std::move(regional)) {
    for (int i = 0; i < groupCount; ++i)
        m_groups.append(QString());
}

QString PlantFiles::addressKey(int address) {
    return twoDigits(address / 16) + QLatin1Char(':') + twoDigits(address % 16);
}

QString PlantFiles::limitesPath() const {
    return QDir(m_folder).filePath(QStringLiteral("limites.ini"));
}

QString PlantFiles::redlocalPath() const {
    return QDir(m_folder).filePath(QStringLiteral("redlocal.ini"));
}

void PlantFiles::load() {
    LoadGroups();
    LoadStandardNames();
}

void PlantFiles::LoadGroups() {
    const QString limites = contentsOf(limitesPath());
    for (int i = 0; i < groupsRead; ++i)
        m_groups[i] = IniFile::readFrom(limites, QStringLiteral("GRUPOS"), QString::number(i));
}

void PlantFiles::LoadStandardNames() {
    const QString redlocal = contentsOf(redlocalPath());
    const QString limites = contentsOf(limitesPath());
    const QString bar = QStringLiteral("|");
    int named = 0;
    int withoutLimits = 0;
    for (int a = 0; a < deviceCount; ++a) {
        const QString key = addressKey(a);
        PlantDevice& device = m_devices[a];
        device.name = IniFile::readFrom(redlocal, QStringLiteral("NETWORK"), key);
        if (device.name.isEmpty())
            continue;
        ++named;

        const QString v = IniFile::readFrom(limites, QStringLiteral("LIMITES"), device.name);
        const auto limit1 = RegionalNumber::toSingle(SacaCampo(v, bar, 2), m_regional);
        const auto limit2 = RegionalNumber::toSingle(SacaCampo(v, bar, 3), m_regional);
        if (!limit1 || !limit2) {
            ++withoutLimits;
            m_dialogs.message(Dialogs::Icon::Warning, QStringLiteral("Vorn-Net"),
                              QStringLiteral("El servicio ") + device.name +
                                  QStringLiteral(" no tiene establecidos los límites"));
        } else {
            device.group = SacaCampo(v, bar, 1);
            device.Limit1 = *limit1;
            device.Limit2 = *limit2;
        }

        const QString calibration = IniFile::readFrom(redlocal, QStringLiteral("CAL"), key);
        device.calibration = calibration.isEmpty() ? QStringLiteral("0") : calibration;
        const QString probes = IniFile::readFrom(redlocal, QStringLiteral("PROBES"), key);
        device.probes = probes.isEmpty() ? QStringLiteral("1") : probes;
    }
    if (withoutLimits > 0)
        qCWarning(lcPlant, "%d de %d dispositivos sin límites utilizables en %s", withoutLimits, named,
                  qPrintable(QDir::toNativeSeparators(limitesPath())));
}
