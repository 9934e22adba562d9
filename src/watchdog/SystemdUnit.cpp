#include "watchdog/SystemdUnit.h"

#include "core/runtime/BoundedWait.h"
#include "core/settings/ConfigRules.h"
#include "watchdog/WatchdogLog.h"

#include <QProcess>

namespace {

constexpr std::chrono::milliseconds killTime{2000};

} // namespace

QString SystemdUnit::ask(const QString& verb) const {
    const QString command = QStringLiteral("systemctl %1 %2").arg(verb, m_unit);
    if (!ConfigRules::isUnitName(m_unit))
        return QStringLiteral("GelmarUnit='%1' no es un nombre de unidad de systemd").arg(m_unit);
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    BoundedWait wait;
    QObject::connect(&process, &QProcess::finished, &wait, &BoundedWait::wake);
    QObject::connect(&process, &QProcess::errorOccurred, &wait, &BoundedWait::wake);
    // "--" ends the options: the unit name is never taken for one.
    process.start(QStringLiteral("systemctl"),
                  {verb, QStringLiteral("--no-block"), QStringLiteral("--"), m_unit});
    const auto ended = [&process] { return process.state() == QProcess::NotRunning; };
    QString why;
    if (!wait.until(ended, answerTime)) {
        process.kill();
        wait.until(ended, killTime);
        why = QStringLiteral("%1 no ha respondido en %2 s").arg(command).arg(answerTime.count() / 1000);
    } else if (process.error() == QProcess::FailedToStart) {
        why = QStringLiteral("no se puede ejecutar systemctl: ") + process.errorString();
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        why = QStringLiteral("%1 terminó con el estado %2").arg(command).arg(process.exitCode());
        if (!said.isEmpty())
            why += QStringLiteral(": ") + said.section(QLatin1Char('\n'), 0, 0);
    }
    if (why.isEmpty())
        qCInfo(lcWatchdog).noquote() << "pedido a systemd:" << command;
    else
        qCWarning(lcWatchdog).noquote() << "petición a systemd no atendida:" << why;
    return why;
}
