#include "core/settings/ConfigRules.h"

#include "core/runtime/AgentError.h"
#include "core/settings/NumberValue.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace ConfigRules {

QString portText(const QString& text) {
    const double v = NumberValue::of(text);
    return v == 0 ? QStringLiteral("1003") : NumberValue::text(v);
}

quint16 port(const QString& text) {
    const qint64 rounded = NumberValue::roundHalfEven(NumberValue::of(text));
    return rounded >= 1 && rounded <= std::numeric_limits<quint16>::max() ? static_cast<quint16>(rounded)
                                                                          : defaultPort;
}

bool checkState(const QString& text) {
    return NumberValue::roundHalfEven(NumberValue::of(text)) != 0;
}

double lifeTestHours(const QString& text) {
    return std::clamp(NumberValue::of(text), 1.0, 24.0);
}

double minNoData(const QString& text) {
    return std::max(NumberValue::of(text), static_cast<double>(minNoDataMinutes));
}

double maxDb(const QString& text) {
    const double v = NumberValue::of(text);
    return v < smallestMaxDbMb ? defaultMaxDbMb : v;
}

double minFree(const QString& text) {
    const double v = NumberValue::of(text);
    return v < 1 ? 5 : v;
}

std::optional<int> alarmPollMs(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const int ms = t.toInt(&ok);
    if (!ok || (ms != 0 && (ms < minAlarmPollMs || ms > maxAlarmPollMs)))
        return std::nullopt;
    return ms;
}

std::optional<DbEngine> dbEngine(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.compare(QLatin1String("odbc"), Qt::CaseInsensitive) == 0)
        return DbEngine::Odbc;
    if (t.compare(QLatin1String("sqlite"), Qt::CaseInsensitive) == 0)
        return DbEngine::Sqlite;
    return std::nullopt;
}

int logMonths(const QString& text) {
    bool ok = false;
    const int months = text.trimmed().toInt(&ok);
    return ok && months > 0 ? months : 0;
}

std::optional<TlsMode> tlsMode(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t.isEmpty() || t == QLatin1String("off"))
        return TlsMode::Off;
    if (t == QLatin1String("cert"))
        return TlsMode::Cert;
    if (t == QLatin1String("psk"))
        return TlsMode::Psk;
    return std::nullopt;
}

std::optional<QList<QByteArray>> tlsPins(const QString& text) {
    constexpr qsizetype sha256Bytes = 32;
    QList<QByteArray> pins;
    static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{64}$"));
    for (QString pin : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        pin = pin.section(QLatin1Char('='), -1).remove(QLatin1Char(':')).remove(QLatin1Char(' ')).trimmed();
        if (pin.isEmpty())
            continue;
        if (!hex.match(pin).hasMatch())
            return std::nullopt;
        pins << QByteArray::fromHex(pin.toLatin1());
        Q_ASSERT(pins.last().size() == sha256Bytes);
    }
    return pins;
}

namespace {

bool is(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

const ConfigKeys::Field* fieldNamed(const QString& key) {
    for (const ConfigKeys::Field& f : ConfigKeys::fields)
        if (is(key, f.readAs) || is(key, f.writeAs))
            return &f;
    return nullptr;
}

// A value written is taken as something else: a warning that says both.
Reading changed(const QString& key, const QString& text, const QString& taken, const QString& why = {}) {
    const QString written = text.trimmed();
    if (written.isEmpty() || written == taken)
        return {taken, Severity::None, {}};
    QString note = QStringLiteral("%1='%2' se toma como %3").arg(key, written, taken);
    if (!why.isEmpty())
        note += QStringLiteral(" (") + why + QLatin1Char(')');
    return {taken, Severity::Warning, note};
}

Reading number(const QString& key, const QString& text, double taken, const QString& why) {
    return changed(key, text, NumberValue::text(taken), why);
}

// Keys compared with "1" exactly: anything else is off.
Reading flag(const QString& key, const QString& text) {
    const QString t = text.trimmed();
    return changed(key, text, t == QLatin1String("1") ? t : QStringLiteral("0"),
                   QStringLiteral("solo 1 activa"));
}

} // namespace

bool isAddressKey(const QString& key) {
    return key.startsWith(QLatin1String("IpQuarnCenter"), Qt::CaseInsensitive);
}

bool isUnitName(const QString& text) {
    constexpr qsizetype longest = 255;
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9:_.@\\\\][A-Za-z0-9:_.@\\\\-]*$"));
    return text.size() <= longest && form.match(text).hasMatch();
}

QString addressNote(const QString& key, const QString& text) {
    const QString t = text.trimmed();
    static const QRegularExpression dotted(QStringLiteral("^[0-9.]+$"));
    if (t.isEmpty() || !dotted.match(t).hasMatch())
        return {};
    const QStringList parts = t.split(QLatin1Char('.'));
    constexpr int maxOctet = 255;
    bool valid = parts.size() == 4;
    for (const QString& p : parts) {
        bool ok = false;
        const int v = p.toInt(&ok);
        valid = valid && ok && p.size() <= 3 && v <= maxOctet;
    }
    return valid ? QString()
                 : QStringLiteral("%1='%2' no es una dirección IPv4 válida (cuatro números de 0 a 255 "
                                  "separados por puntos)")
                       .arg(key, t);
}

namespace {

Reading fieldReading(const ConfigKeys::Field& f, const QString& key, const QString& text) {
    switch (f.rule) {
    case ConfigKeys::Rule::Port:
        return changed(key, text, QString::number(port(text)),
                       QStringLiteral("un puerto es un número entero de 1 a 65535; vacío, 0 o fuera de "
                                      "ese intervalo es %1")
                           .arg(defaultPort));
    case ConfigKeys::Rule::Check:
        return changed(key, text, checkState(text) ? QStringLiteral("1") : QStringLiteral("0"),
                       QStringLiteral("0 sin marcar, otro número marcado"));
    case ConfigKeys::Rule::MinNoData:
        return number(key, text, minNoData(text), QStringLiteral("el mínimo es 30"));
    case ConfigKeys::Rule::LifeTest:
        return number(key, text, lifeTestHours(text), QStringLiteral("horas de 1 a 24"));
    case ConfigKeys::Rule::Path:
        if (text.trimmed().isEmpty())
            return {QString::fromUtf8(defaultPathGelmar), Severity::None, {}};
        return {text, Severity::None, {}};
    case ConfigKeys::Rule::Text:
        if (isAddressKey(key)) {
            const QString note = addressNote(key, text);
            if (!note.isEmpty())
                return {text, Severity::Failure, note};
        }
        break;
    }
    return {text, Severity::None, {}};
}

} // namespace

Reading read(const QString& key, const QString& text) {
    if (const ConfigKeys::Field* f = fieldNamed(key))
        return fieldReading(*f, key, text);
    if (is(key, ConfigKeys::MaxDb))
        return number(key, text, maxDb(text), QStringLiteral("por debajo de 500 MB se toma 1000"));
    if (is(key, ConfigKeys::minFree))
        return number(key, text, minFree(text), QStringLiteral("por debajo de 1 GB se toma 5"));
    if (is(key, ConfigKeys::WebMode) || is(key, ConfigKeys::ControlFechasFuturas) ||
        is(key, ConfigKeys::FastFailover))
        return flag(key, text);
    if (is(key, ConfigKeys::AlarmPollMs)) {
        const std::optional<int> ms = alarmPollMs(text);
        if (ms)
            return {QString::number(*ms), Severity::None, {}};
        return {QStringLiteral("0"), Severity::Warning,
                QStringLiteral("%1='%2' se toma como 0 (ha de ser 0 o de %3 a %4 ms)")
                    .arg(key, text.trimmed())
                    .arg(minAlarmPollMs)
                    .arg(maxAlarmPollMs)};
    }
    if (is(key, ConfigKeys::LogMonths))
        return changed(key, text, QString::number(logMonths(text)), QStringLiteral("0 los guarda todos"));
    if (is(key, ConfigKeys::noMinimize) || is(key, ConfigKeys::DiaOptimiza) ||
        is(key, ConfigKeys::DiaOptimiza2)) {
        const bool day = !is(key, ConfigKeys::noMinimize);
        if (text.trimmed().isEmpty())
            return {text, Severity::None, {}};
        try {
            if (day)
                NumberValue::toInt16(text);
            else
                NumberValue::toBoolean(text);
            return {text, Severity::None, {}};
        } catch (const AgentError&) {
            return changed(key, text, day ? QStringLiteral("3") : QStringLiteral("0"),
                           QStringLiteral("no es un número"));
        }
    }
    if (is(key, ConfigKeys::GelmarUnit)) {
        const QString unit = text.trimmed();
        if (unit.isEmpty() || isUnitName(unit))
            return {unit, Severity::None, {}};
        return {unit, Severity::Failure,
                QStringLiteral("%1='%2' no es un nombre de unidad de systemd: los reinicios del sistema de "
                               "supervisión fallarán")
                    .arg(key, unit)};
    }
    if (is(key, ConfigKeys::TlsMode) || is(key, ConfigKeys::TlsModeA) || is(key, ConfigKeys::TlsModeB)) {
        if (tlsMode(text))
            return {text.trimmed(), Severity::None, {}};
        return {text, Severity::Failure,
                QStringLiteral("%1='%2' no es off, cert ni psk: ese enlace falla sin enviar nada")
                    .arg(key, text.trimmed())};
    }
    if (is(key, ConfigKeys::TlsPin)) {
        if (tlsPins(text))
            return {text.trimmed(), Severity::None, {}};
        return {text, Severity::Failure,
                QStringLiteral("%1='%2' no es una lista de huellas SHA-256 (64 cifras hexadecimales cada "
                               "una, separadas por comas): los enlaces cifrados fallan")
                    .arg(key, text.trimmed())};
    }
    if (is(key, ConfigKeys::DbEngine)) {
        if (dbEngine(text))
            return {text, Severity::None, {}};
        return {
            text, Severity::Failure,
            QStringLiteral("%1='%2' no es odbc ni sqlite: el agente no arranca").arg(key, text.trimmed())};
    }
    return {text, Severity::None, {}};
}

QStringList knownKeys() {
    QStringList keys;
    for (const ConfigKeys::Field& f : ConfigKeys::fields)
        keys << QString::fromLatin1(f.readAs);
    for (const char* v : ConfigKeys::variables)
        keys << QString::fromLatin1(v);
    return keys;
}

} // namespace ConfigRules
