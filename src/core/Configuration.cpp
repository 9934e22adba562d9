#include "core/Configuration.h"

#include "core/AgentError.h"
#include "core/AgentSettings.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/Form1State.h"
#include "core/IniFile.h"
#include "core/NumberValue.h"
#include "forwarding/DeliveryState.h"

#include <QDir>

namespace {

const QString CONFIG = QStringLiteral("CONFIG");

// Ports: the number value written back as text; 0 means the default port.
QString portRule(const QString& text) {
    const double v = NumberValue::of(text);
    return v == 0 ? QStringLiteral("1003") : NumberValue::text(v);
}

bool checkState(const QString& text) {
    return NumberValue::roundHalfEven(NumberValue::of(text)) != 0;
}

} // namespace

Configuration::Configuration(QString programFolder, Form1State& form, AgentSettings& settings,
                             Dialogs& dialogs, const Clock& clock)
    : m_folder(std::move(programFolder)), m_form(form), m_settings(settings), m_dialogs(dialogs),
      m_clock(clock) {
}

QString Configuration::iniPath() const {
    return QDir(m_folder).filePath(QStringLiteral("vornnet.ini"));
}
QString Configuration::statusPath() const {
    return QDir(m_folder).filePath(QStringLiteral("status.ini"));
}

QString Configuration::config(const char* key) const {
    return LeeIni(iniPath(), CONFIG, QString::fromLatin1(key));
}

QString Configuration::status(const char* key) const {
    return LeeIni(statusPath(), QStringLiteral("status"), QString::fromLatin1(key));
}

template <typename T, typename Convert>
T Configuration::convertOr(const QString& text, T fallback, Convert convert) {
    try {
        return convert(text);
    } catch (const AgentError& e) {
        m_dialogs.message(Dialogs::Icon::Critical, QStringLiteral("Error Vorn-Net"), e.description());
        return fallback;
    }
}

void Configuration::readConfig(const std::function<void(int)>& visibilidadAlm) {
    Form1State& f = m_form;
    f.lblPuerto.setText(portRule(config("RemotePort")));
    f.IpQuarn.setText(config("IpQuarnCenter"));
    f.lblTestVida.setText(config("LifeTest"));
    f.lblPuertoA.setText(portRule(config("RemotePortA")));
    f.IpQuarnA.setText(config("IpQuarnCenterA"));
    f.lblPuertoB.setText(portRule(config("RemotePortB")));
    f.IpQuarnB.setText(config("IpQuarnCenterB"));

    m_settings.MaxDb = static_cast<float>(NumberValue::of(config("MaxDb")));
    if (m_settings.MaxDb < 500)
        m_settings.MaxDb = 1000;
    f.lblDB.setToolTip(QStringLiteral("Límite alarma: ") + NumberValue::text(m_settings.MaxDb) +
                       QStringLiteral(" Mb"));
    m_settings.minFree = static_cast<float>(NumberValue::of(config("minFree")));
    if (m_settings.minFree < 1)
        m_settings.minFree = 5;
    f.lblFree.setToolTip(QStringLiteral("Límite alarma: ") + NumberValue::text(m_settings.minFree) +
                         QStringLiteral("Gb"));

    f.chkRestart.setChecked(checkState(config("ChkRestart")));
    m_settings.WebMode = config("WebMode") == QLatin1String("1");

    double minNoData = NumberValue::of(config("MinNoData"));
    if (minNoData < 30)
        minNoData = 30;
    f.txtMinSinData.setText(NumberValue::text(minNoData));

    const QString path = config("pathGelmar");
    f.txtPathGelmar.setText(path.isEmpty() ? QString::fromUtf8(defaultPathGelmar) : path);

    f.chkAlarms.setChecked(checkState(config("ChkAlarms")));
    if (visibilidadAlm)
        visibilidadAlm(f.chkAlarms.checked() ? 1 : 0);

    f.txtDifHoraria.setText(config("DifTime"));
    f.chkSMSEnabled.setChecked(checkState(config("smsEnabled")));
    f.txtComPort.setText(config("comport"));
    f.txtMaxNoNet.setText(config("maxnonet"));
    f.txtRecipient.setText(config("recipient"));

    const QString noMin = config("noMinimize");
    m_settings.noMinimize = noMin.isEmpty() ? false : convertOr(noMin, false, NumberValue::toBoolean);
    m_settings.ControlFechasFuturas = config("ControlFechasFuturas") == QLatin1String("1");
}

QString Configuration::stationsText() const {
    const auto station = [this](const char* address, const char* port) {
        const QString host = config(address);
        return (host.isEmpty() ? QStringLiteral("(empty)") : host) + QLatin1Char(':') +
               portRule(config(port));
    };
    const auto secondary = [&](const char* address, const char* port) {
        return config(address).isEmpty() ? QStringLiteral("none") : station(address, port);
    };
    return station("IpQuarnCenter", "RemotePort") + QStringLiteral(", A ") +
           secondary("IpQuarnCenterA", "RemotePortA") + QStringLiteral(", B ") +
           secondary("IpQuarnCenterB", "RemotePortB");
}

void Configuration::readUltOptimiza() {
    m_settings.UltOptimiza = status("UltOptimiza");
    m_form.lblUltOptimiza.setText(m_settings.UltOptimiza);
}

void Configuration::readOptimizaSchedule() {
    const QString d1 = config("DiaOptimiza");
    m_settings.DiaOptimiza = d1.isEmpty() ? qint16(3) : convertOr<qint16>(d1, 3, NumberValue::toInt16);
    const QString d2 = config("DiaOptimiza2");
    m_settings.DiaOptimiza2 = d2.isEmpty() ? qint16(3) : convertOr<qint16>(d2, 3, NumberValue::toInt16);
    const QString hour = config("HoraOptimiza");
    m_settings.HoraOptimiza = hour.isEmpty() ? QStringLiteral("08:00") : hour;
    m_form.chkOptimiza.setChecked(checkState(config("ChkOptimiza")));
}

QString Configuration::dayName(int day) {
    static const char* const names[] = {"Domingo", "Lunes",   "Martes", "Miercoles",
                                        "Jueves",  "Viernes", "Sabados"};
    return day >= 1 && day <= 7 ? QString::fromLatin1(names[day - 1]) : QString();
}

void Configuration::applyOptimizaCaption(const QString& savedCaption) {
    if (!m_form.chkOptimiza.checked())
        return;
    QString caption = savedCaption + QString::fromUtf8(optimizaActiveTag) + dayName(m_settings.DiaOptimiza);
    if (m_settings.DiaOptimiza2 != m_settings.DiaOptimiza)
        caption += QStringLiteral(" y ") + dayName(m_settings.DiaOptimiza2);
    caption += QStringLiteral(" Hora: ") + m_settings.HoraOptimiza;
    m_form.form1.setText(caption);
}

void Configuration::readSmsEntries() {
    m_settings.smsAuxiliaries.clear();
    for (int i = 1; i <= 4; ++i) {
        const QString number = LeeIni(iniPath(), QStringLiteral("SMS"), QString::number(i));
        if (!number.isEmpty())
            m_settings.smsAuxiliaries.append(number);
    }
}

void Configuration::appendDriveToFreeLabel() {
    const QString path = m_form.txtPathGelmar.text();
    const QString drive = path.isEmpty() ? QStringLiteral("c:\\") : path.left(3);
    m_form.lblFree.setText(m_form.lblFree.text() + drive);
}

void Configuration::readStatusFlags() {
    struct Flag {
        const char* readAs;
        const char* writeAs;
        QString AgentSettings::*holder;
        const char* fallback;
    };
    static const Flag flags[] = {
        {"Acquisition", "Acquisition", &AgentSettings::Acquisition, "1"},
        {"DbSize", "DbSize", &AgentSettings::DbSize, "1"},
        {"freeSize", "FreeSize", &AgentSettings::freeSize, "1"},
        {"time", "Time", &AgentSettings::time, "1"},
        {"SMSOn", "SMSON", &AgentSettings::SMSOn, "0"},
        {"ModemOK", "ModemOK", &AgentSettings::ModemOK, "1"},
    };
    for (const Flag& flag : flags) {
        QString value = status(flag.readAs);
        if (value.isEmpty()) {
            value = QString::fromLatin1(flag.fallback);
            EscribeIni(statusPath(), QStringLiteral("status"), QString::fromLatin1(flag.writeAs), value);
        }
        m_settings.*flag.holder = value;
    }

    if (m_settings.SMSOn == QLatin1String("1")) {
        m_form.lblModoSMS.setVisible(true);
        const double minutes = NumberValue::of(m_form.txtMaxNoNet.text()) + 1;
        m_settings.FechaPrimerFallo = m_clock.now().addMSecs(-static_cast<qint64>(minutes * 60000.0));
    } else {
        m_settings.FechaPrimerFallo = DeliveryState::noFailure();
    }
}
