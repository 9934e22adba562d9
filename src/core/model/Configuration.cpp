#include "core/model/Configuration.h"

#include "core/model/Control.h"
#include "core/model/Dialogs.h"
#include "core/runtime/AgentError.h"
#include "core/settings/ConfigKeys.h"
#include "core/settings/ConfigRules.h"
#include "core/settings/IniFile.h"
#include "core/settings/NumberValue.h"

#include <QDir>

namespace {

const QString CONFIG = QStringLiteral("CONFIG");

} // namespace

Configuration::Configuration(QString programFolder, View view, Dialogs& dialogs)
    : m_folder(std::move(programFolder)), m_view(std::move(view)), m_dialogs(dialogs) {
}

QString Configuration::iniPath() const {
    return QDir(m_folder).filePath(QStringLiteral("vornnet.ini"));
}

QString Configuration::config(const char* key) const {
    return LeeIni(iniPath(), CONFIG, QString::fromLatin1(key));
}

template <typename T, typename Convert>
T Configuration::convertOr(const QString& text, T fallback, Convert convert) {
    try {
        return convert(text);
    } catch (const AgentError& e) {
        m_dialogs.message(Dialogs::Icon::Critical, Dialogs::errorTitle, e.description());
        return fallback;
    }
}

void Configuration::applyAtStart(const ConfigKeys::Field& field) {
    Control& control = m_view.fields[field];
    const QString text = config(field.readAs);
    switch (field.rule) {
    case ConfigKeys::Rule::Text:
    case ConfigKeys::Rule::LifeTest:
        control.setText(text);
        break;
    case ConfigKeys::Rule::Port:
        control.setText(ConfigRules::portText(text));
        break;
    case ConfigKeys::Rule::Check:
        control.setChecked(ConfigRules::checkState(text));
        break;
    case ConfigKeys::Rule::MinNoData:
        control.setText(NumberValue::text(ConfigRules::minNoData(text)));
        break;
    case ConfigKeys::Rule::Path:
        control.setText(text.isEmpty() ? QString::fromUtf8(ConfigRules::defaultPathGelmar) : text);
        break;
    }
}

void Configuration::readConfig(const std::function<void(int)>& visibilidadAlm) {
    // The weekly optimisation's check box is read with its schedule.
    for (const ConfigKeys::Field& field : ConfigKeys::fields)
        if (ConfigKeys::controlOf(field) != &Form1State::chkOptimiza)
            applyAtStart(field);

    m_settings.MaxDb = static_cast<float>(ConfigRules::maxDb(config(ConfigKeys::MaxDb)));
    m_view.lblDB.setToolTip(QStringLiteral("Límite alarma: ") + NumberValue::text(m_settings.MaxDb) +
                            QStringLiteral(" Mb"));
    m_settings.minFree = static_cast<float>(ConfigRules::minFree(config(ConfigKeys::minFree)));
    m_view.lblFree.setToolTip(QStringLiteral("Límite alarma: ") + NumberValue::text(m_settings.minFree) +
                              QStringLiteral("Gb"));
    m_settings.WebMode = config(ConfigKeys::WebMode) == QLatin1String("1");

    if (visibilidadAlm)
        visibilidadAlm(m_view.fields.of(&Form1State::chkAlarms).checked() ? 1 : 0);

    const QString noMin = config(ConfigKeys::noMinimize);
    m_settings.noMinimize = noMin.isEmpty() ? false : convertOr(noMin, false, NumberValue::toBoolean);
    m_settings.ControlFechasFuturas = config(ConfigKeys::ControlFechasFuturas) == QLatin1String("1");
    m_settings.FastFailover = config(ConfigKeys::FastFailover) == QLatin1String("1");
    const QString poll = config(ConfigKeys::AlarmPollMs);
    const std::optional<int> pollMs = ConfigRules::alarmPollMs(poll);
    m_settings.AlarmPollMs = pollMs.value_or(0);
    if (!pollMs)
        m_dialogs.message(Dialogs::Icon::Warning, QStringLiteral("Error Vorn-Net"),
                          QStringLiteral("AlarmPollMs='%1' no es válido: ha de ser 0 o de %2 a %3 ms. Se "
                                         "toma 0: las alarmas se buscan solo en cada ciclo.")
                              .arg(poll)
                              .arg(ConfigRules::minAlarmPollMs)
                              .arg(ConfigRules::maxAlarmPollMs));
    const QString dataToolRoot = config(ConfigKeys::DataToolRoot);
    m_settings.DataToolRoot = dataToolRoot.isEmpty() ? QStringLiteral("/") : dataToolRoot;
    m_settings.GelmarUnit = config(ConfigKeys::GelmarUnit).trimmed();
}

QString Configuration::stationsText() const {
    const auto station = [this](const char* address, const char* port) {
        const QString host = config(address);
        return (host.isEmpty() ? QStringLiteral("(vacía)") : host) + QLatin1Char(':') +
               QString::number(ConfigRules::port(config(port)));
    };
    const auto secondary = [&](const char* address, const char* port) {
        return config(address).isEmpty() ? QStringLiteral("ninguna") : station(address, port);
    };
    return station("IpQuarnCenter", "RemotePort") + QStringLiteral(", A ") +
           secondary("IpQuarnCenterA", "RemotePortA") + QStringLiteral(", B ") +
           secondary("IpQuarnCenterB", "RemotePortB");
}

void Configuration::readOptimizaSchedule() {
    const QString d1 = config(ConfigKeys::DiaOptimiza);
    m_settings.DiaOptimiza = d1.isEmpty() ? qint16(3) : convertOr<qint16>(d1, 3, NumberValue::toInt16);
    const QString d2 = config(ConfigKeys::DiaOptimiza2);
    m_settings.DiaOptimiza2 = d2.isEmpty() ? qint16(3) : convertOr<qint16>(d2, 3, NumberValue::toInt16);
    const QString hour = config(ConfigKeys::HoraOptimiza);
    m_settings.HoraOptimiza = hour.isEmpty() ? QStringLiteral("08:00") : hour;
    applyAtStart(ConfigKeys::fieldOf(&Form1State::chkOptimiza));
}

void Configuration::readSmsEntries() {
    m_settings.smsAuxiliaries.clear();
    for (int i = 1; i <= 4; ++i) {
        const QString number = LeeIni(iniPath(), QStringLiteral("SMS"), QString::number(i));
        if (!number.isEmpty())
            m_settings.smsAuxiliaries.append(number);
    }
}
