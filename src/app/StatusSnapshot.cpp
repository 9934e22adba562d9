#include "app/StatusSnapshot.h"

#include "core/model/Form1State.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/EventLog.h"
#include "core/state/DeliveryState.h"
#include "core/state/StatusFlags.h"
#include "core/text/AgentLocale.h"
#include "forwarding/CentralLink.h"
#include "forwarding/TlsReasons.h"
#include "forwarding/UltCodFile.h"

#include <QCoreApplication>
#include <QJsonArray>

const StatusSnapshot::Condition StatusSnapshot::conditions[5] = {
    {"Acquisition", "adquisición"},
    {"DbSize", "tamaño de la base de datos"},
    {"freeSize", "espacio libre en disco"},
    {"time", "fechas futuras"},
    {"ModemOK", "módem"},
};

namespace {

bool flagOf(const StatusFlags& s, const char* key) {
    const QLatin1String k(key);
    if (k == QLatin1String("Acquisition"))
        return s.Acquisition;
    if (k == QLatin1String("DbSize"))
        return s.DbSize;
    if (k == QLatin1String("freeSize"))
        return s.freeSize;
    if (k == QLatin1String("time"))
        return s.time;
    return s.ModemOK;
}

} // namespace

StatusSnapshot::Position StatusSnapshot::position() const {
    const UltCodFile file(m_s.programFolder, UltCodFile::Kind::Alarms, m_s.form.txtPlanta.text());
    try {
        return {file.read(), {}};
    } catch (const AgentError& e) {
        // The scan tells the fault in the window; here the position is only unknown.
        return {std::nullopt, e.description()};
    }
}

QJsonObject StatusSnapshot::json() const {
    QJsonObject o;
    o[QStringLiteral("version")] = QStringLiteral(VORNNET_VERSION);
    o[QStringLiteral("pid")] = QCoreApplication::applicationPid();
    o[QStringLiteral("folder")] = m_s.programFolder;
    o[QStringLiteral("plant")] = m_s.form.txtPlanta.text();
    const Position p = position();
    o[QStringLiteral("position")] = p.id ? QJsonValue(*p.id) : QJsonValue();
    o[QStringLiteral("positionError")] = p.error.isEmpty() ? QJsonValue() : QJsonValue(p.error);
    const std::optional<QDateTime>& failingSince = m_s.delivery.failingSince();
    o[QStringLiteral("failingSince")] =
        failingSince ? QJsonValue(failingSince->toString(Qt::ISODate)) : QJsonValue();
    o[QStringLiteral("smsMode")] = m_s.flags.SMSOn;
    const QString incomplete = m_s.incompleteStartup ? m_s.incompleteStartup() : QString();
    o[QStringLiteral("incompleteStartup")] = incomplete.isEmpty() ? QJsonValue() : QJsonValue(incomplete);
    if (m_s.log) {
        // Lines the event log could not take since start, and why the last one failed (null once one is
        // written again).
        o[QStringLiteral("unwrittenLogLines")] = m_s.log->unwrittenLines();
        o[QStringLiteral("logFailure")] =
            m_s.log->failure().isEmpty() ? QJsonValue() : QJsonValue(m_s.log->failure());
    }
    QJsonObject c;
    for (const Condition& condition : conditions)
        c[QLatin1String(condition.key)] = flagOf(m_s.flags, condition.key);
    o[QStringLiteral("conditions")] = c;
    // The links' security, never their keys.
    QJsonArray links;
    for (int i = 1; i <= CentralLink::linkCount; ++i) {
        const QDateTime expiry = m_s.link.stationExpiry(i);
        links.append(QJsonObject{
            {QStringLiteral("link"), i},
            {QStringLiteral("secured"), m_s.link.secured(i)},
            {QStringLiteral("stationCertificateExpiry"),
             expiry.isValid() ? QJsonValue(expiry.toLocalTime().toString(Qt::ISODate)) : QJsonValue()}});
    }
    o[QStringLiteral("links")] = links;
    QJsonObject controls;
    for (const Control* control : m_s.form.controls())
        controls[control->name()] = control->secret() ? QString() : control->text();
    o[QStringLiteral("controls")] = controls;
    return o;
}

bool StatusSnapshot::allNormal(const QJsonObject& status) {
    return openConditions(status).isEmpty() && status.value(QStringLiteral("failingSince")).isNull() &&
           status.value(QStringLiteral("positionError")).isNull() &&
           status.value(QStringLiteral("incompleteStartup")).isNull() &&
           !status.value(QStringLiteral("smsMode")).toBool();
}

QStringList StatusSnapshot::openConditions(const QJsonObject& status) {
    QStringList open;
    const QJsonObject c = status.value(QStringLiteral("conditions")).toObject();
    for (const Condition& condition : conditions)
        if (!c.value(QLatin1String(condition.key)).toBool(true))
            open << QString::fromUtf8(condition.spanish);
    return open;
}

QString StatusSnapshot::localText(const QJsonValue& iso) {
    return AgentLocale::dateTimeText(QDateTime::fromString(iso.toString(), Qt::ISODate));
}

QString StatusSnapshot::securedText(const QJsonObject& status) {
    static const char* const names[] = {"principal", "secundaria A", "secundaria B"};
    QStringList secured;
    for (const auto& v : status.value(QStringLiteral("links")).toArray()) {
        const QJsonObject link = v.toObject();
        const int i = link.value(QStringLiteral("link")).toInt();
        if (!link.value(QStringLiteral("secured")).toBool() || i < 1 || i > CentralLink::linkCount)
            continue;
        const QJsonValue expiry = link.value(QStringLiteral("stationCertificateExpiry"));
        secured << QString::fromLatin1(names[i - 1]) +
                       (expiry.isNull() ? QString()
                                        : QStringLiteral(" (certificado de la central hasta %1)")
                                              .arg(TlsReasons::dateText(
                                                  QDateTime::fromString(expiry.toString(), Qt::ISODate))));
    }
    return secured.isEmpty() ? QStringLiteral("ninguno") : secured.join(QStringLiteral(", "));
}

QString StatusSnapshot::summary() const {
    const QJsonObject o = json();
    const QJsonValue id = o.value(QStringLiteral("position"));
    const QString last = !o.value(QStringLiteral("positionError")).isNull()
                             ? QStringLiteral("Última alarma entregada: desconocida")
                         : id.isNull() ? QStringLiteral("Sin alarmas entregadas")
                                       : QStringLiteral("Última alarma entregada: id %1").arg(id.toInteger());
    const QJsonValue failing = o.value(QStringLiteral("failingSince"));
    const QString delivery =
        failing.isNull() ? QStringLiteral("entregas al día")
                         : QStringLiteral("envíos pendientes, fallando desde %1").arg(localText(failing));
    const QStringList open = openConditions(o);
    const QString incomplete = o.value(QStringLiteral("incompleteStartup")).toString();
    return (incomplete.isEmpty() ? QString() : incomplete + QStringLiteral("; ")) +
           QStringLiteral("%1; %2; modo SMS: %3; condiciones abiertas: %4")
               .arg(last, delivery,
                    o.value(QStringLiteral("smsMode")).toBool() ? QStringLiteral("sí") : QStringLiteral("no"),
                    open.isEmpty() ? QStringLiteral("ninguna") : open.join(QStringLiteral(", ")));
}
