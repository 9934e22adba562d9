#include "watchdog/StatusUpdate.h"

#include "core/model/Control.h"
#include "core/model/Palette.h"
#include "core/runtime/AgentError.h"
#include "core/runtime/Clock.h"
#include "core/runtime/Files.h"
#include "core/settings/IniFile.h"
#include "core/state/FutureDatePolicy.h"
#include "core/state/RecentCounts.h"
#include "core/state/StatusFile.h"
#include "core/text/AgentLocale.h"
#include "core/text/LocalDateTime.h"
#include "forwarding/AlarmScan.h"
#include "forwarding/BufferDb.h"
#include "forwarding/GelmarRestarter.h"
#include "supervision/SupervisionDb.h"
#include "watchdog/ProcessPrimitives.h"
#include "watchdog/WatchdogLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStorageInfo>
#include <cmath>

using Which = SupervisionDb::Which;

namespace {

// 0.33 of an hour and one hour, as the system has always measured them.
constexpr qint64 recentRecordsMs = 1188000;
constexpr qint64 recentAlarmsMs = 3600000;

const QString SISTEMA = QStringLiteral("SISTEMA");

// The nearest folder of an absolute path that exists: QStorageInfo needs one.
QString existingAncestor(const QString& folder) {
    if (!QDir::isAbsolutePath(folder))
        return {};
    QString path = QDir::cleanPath(folder);
    while (!QFileInfo(path).isDir()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            return {};
        path = parent;
    }
    return path;
}

bool windowsPath(const QString& folder) {
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    return drive.match(folder).hasMatch();
}

} // namespace

// One watched condition: its flag (true while normal), its key in status.ini, its notice.
struct StatusUpdate::Flag {
    bool StatusFlags::*holder;
    StatusFile::Flag key;
    const QString& notice;
};

StatusUpdate::StatusUpdate(Parts parts)
    : m_p(std::move(parts)), m_freeBytes(&StatusUpdate::storageFreeBytes),
      m_error(m_p.view.txtError, m_p.services.log, m_p.services.clock) {
}

std::optional<qint64> StatusUpdate::storageFreeBytes(const QString& folder) {
    const QString existing = existingAncestor(folder);
    if (existing.isEmpty())
        return std::nullopt;
    const QStorageInfo storage(existing);
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    return storage.bytesAvailable();
}

QString StatusUpdate::driveText(const QString& folder) {
    if (folder.isEmpty())
        return QStringLiteral("c:\\");
    if (windowsPath(folder))
        return folder.left(3);
    const QString existing = existingAncestor(folder);
    const QStorageInfo storage(existing);
    if (existing.isEmpty() || !storage.isValid())
        return folder.left(3);
    QString root = storage.rootPath();
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    return root;
}

QString StatusUpdate::folder() const {
    return m_p.view.txtPathGelmar.text();
}

void StatusUpdate::PreActualizaDatosVida() {
    // The whole minute, not only its two digits: minute 05 of the next hour runs the update again even
    // when no other update came between (a tick that lasted an hour).
    const QString minute = m_p.services.clock.now().toString(QStringLiteral("yyyyMMddHHmm"));
    if ((minute.endsWith(QLatin1Char('5')) || minute.endsWith(QLatin1Char('0'))) && minute != m_ultMinuto) {
        m_ultMinuto = minute;
        ActualizaDatosVida();
    }
    if (m_p.linkStateName)
        m_p.view.status.setText(m_p.linkStateName());
}

void StatusUpdate::ActualizaDatosVida() {
    if (m_running || m_stopped)
        return;
    m_running = true;
    const auto done = qScopeGuard([this] { m_running = false; });
    try {
        update();
        m_error.clear();
    } catch (const AgentError& e) {
        m_error.report(e.description() + QStringLiteral(" Actualiza datos vida"));
    } catch (const std::exception& e) {
        m_error.report(QString::fromLocal8Bit(e.what()) + QStringLiteral(" Actualiza datos vida"));
    }
}

void StatusUpdate::condition(const Flag& flag, bool open) {
    bool& normal = m_p.flags.*flag.holder;
    if (open != normal)
        return;
    normal = !open;
    m_p.status.set(flag.key, normal);
    m_p.buffer.PonEnBuffer(SISTEMA, flag.notice, open ? QStringLiteral("1") : QStringLiteral("0"),
                           m_p.services.clock.now());
}

void StatusUpdate::update() {
    QElapsedTimer took;
    took.start();
    const QDateTime now = m_p.services.clock.now();
    newestRecord(now);
    if (m_stopped)
        return;
    recentRecords(now);
    freeSpace();
    databaseSize();
    acquisition();
    modem();
    overallLight();

    View& v = m_p.view;
    const bool ciclo = m_p.cicloActivo && m_p.cicloActivo();
    v.txtCicloActivo.setText(ciclo ? QStringLiteral("Verdadero") : QStringLiteral("Falso"));
    v.lblFechaActualizado.setText(m_p.services.clock.now().toString(QStringLiteral("dd/MM/yyyy HH:mm")));
    v.lblTiempoHist.setText(QString::number(std::llround(static_cast<double>(took.elapsed()) / 1000.0)));
}

// Newest record, and the restart once per episode of records dated ahead of the clock.
void StatusUpdate::newestRecord(const QDateTime& now) {
    View& v = m_p.view;
    v.lblLastDate.setText(QStringLiteral("--"));
    QDateTime newest = LocalDateTime::longAgo(); // with no record read: never ahead of the clock
    if (m_p.limits.ControlFechasFuturas) {
        const QList<QSqlRecord> rows = m_p.db.select(Which::Acquired, m_p.db.sql().newestHistoryTimestamp());
        if (!rows.isEmpty()) {
            const QVariant stamp = rows.first().value(0);
            newest = SupervisionSql::toDateTime(stamp);
            if (!newest.isValid())
                throw AgentError(AgentError::Conversion, QStringLiteral("Fecha de registro no válida '") +
                                                             stamp.toString() + QLatin1Char('\''));
            v.lblLastDate.setText(AgentLocale::dateTimeText(newest));
        }
    }
    const bool future = FutureDatePolicy::isFuture(newest, now);
    v.lblLastDate.setBackground(future ? Palette::lightRed : Palette::white);
    const bool restart = future && m_p.flags.time;
    condition({&StatusFlags::time, StatusFile::Flag::time, AlarmScan::futureNotice}, future);
    if (restart)
        m_p.restarter.ReiniciaGelmar();
}

// History records of the last 0.33 hour, alarms of the last hour.
void StatusUpdate::recentRecords(const QDateTime& now) {
    View& v = m_p.view;
    const SupervisionSql& sql = m_p.db.sql();
    RecentCounts& counts = v.counts;
    counts.records = m_p.db.countRows(Which::Acquired, sql.historyAfter(now.addMSecs(-recentRecordsMs)));
    v.lblNumVidas.setText(QString::number(counts.records));
    v.lblNumVidas.setBackground(counts.records == 0 ? Palette::lightRed : Palette::white);
    if (v.chkAlarms.checked()) {
        counts.alarms = m_p.db.countRows(Which::Acquired, sql.alarmsSince(now.addMSecs(-recentAlarmsMs)));
        v.lblAlmVidas.setText(QString::number(counts.alarms));
        v.lblAlmVidas.setBackground(counts.alarms == 0 ? Palette::lightRed : Palette::white);
    }
}

// Free space on the disk of the installation folder, in gigabytes of 2^30 bytes.
void StatusUpdate::freeSpace() {
    View& v = m_p.view;
    const std::optional<qint64> freeBytes = m_freeBytes ? m_freeBytes(folder()) : std::nullopt;
    if (!freeBytes)
        throw AgentError(AgentError::CommandFailed, QStringLiteral("No se puede leer el espacio libre de ") +
                                                        QDir::toNativeSeparators(folder()));
    // Compared as shown, two decimals, but as a number: the text carries the host's decimal separator.
    const double freeGb =
        std::round(static_cast<double>(*freeBytes) / 1024.0 / 1024.0 / 1024.0 * 100.0) / 100.0;
    QLocale locale = AgentLocale::locale();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    v.txtFreeSpace.setText(locale.toString(freeGb, 'f', 2));
    const bool lowSpace = freeGb < m_p.limits.minFree;
    v.txtFreeSpace.setBackground(lowSpace ? Palette::lightRed : Palette::white);
    condition({&StatusFlags::freeSize, StatusFile::Flag::freeSize, freeSizeNotice}, lowSpace);
}

// Size of the acquired-data database file, in whole megabytes.
void StatusUpdate::databaseSize() {
    View& v = m_p.view;
    const QString database = fileInFolder(fileInFolder(folder(), QStringLiteral("database")),
                                          SupervisionDb::acquiredCatalogue + QStringLiteral(".mdf"));
    const QFileInfo file(database);
    if (!file.isFile())
        throw AgentError(AgentError::CommandFailed,
                         QStringLiteral("No se encuentra ") + QDir::toNativeSeparators(database));
    const qint64 megabytes = std::llround(static_cast<double>(file.size()) / 1024.0 / 1024.0);
    v.txtMbAdquired.setText(QString::number(megabytes));
    const bool tooBig = static_cast<double>(megabytes) > static_cast<double>(m_p.limits.MaxDb);
    v.txtMbAdquired.setBackground(tooBig ? Palette::lightRed : Palette::white);
    condition({&StatusFlags::DbSize, StatusFile::Flag::DbSize, dbSizeNotice}, tooBig);
}

// Acquisition, as the supervision system reports it, with its network server running; left as it was
// while maintenance has the system stopped.
void StatusUpdate::acquisition() {
    if (m_p.chkAdquisicion && !m_p.chkAdquisicion())
        return;
    View& v = m_p.view;
    const QString acquisition = LeeIni(fileInFolder(folder(), QStringLiteral("GS.INI")),
                                       QStringLiteral("STATUS"), QStringLiteral("acquisition"));
    m_adquisicionOK =
        acquisition == QLatin1String("1") && m_p.baskill.IsAppRunning(QStringLiteral("GSNet.exe"));
    if (m_adquisicionOK) {
        v.lblEstadoAdquisicion.setText(QStringLiteral("Registrando..."));
        v.lblEstadoAdquisicion.setForeground(Palette::green);
        v.TiempoDetenido.setText(QStringLiteral("0"));
    } else {
        v.lblEstadoAdquisicion.setText(QStringLiteral("Detenido"));
        v.lblEstadoAdquisicion.setForeground(Palette::red);
    }
    condition({&StatusFlags::Acquisition, StatusFile::Flag::Acquisition, acquisitionNotice},
              !m_adquisicionOK);
}

// The modem, as its driver last read it ("--" until then is no fault).
void StatusUpdate::modem() {
    const QString& signal = m_p.view.lblSignal.text();
    condition({&StatusFlags::ModemOK, StatusFile::Flag::ModemOK, modemNotice},
              signal == QLatin1String("NC") || signal == QLatin1String("NM"));
}

// The overall light: records, acquisition, alarms (when watched) and the database size.
void StatusUpdate::overallLight() {
    View& v = m_p.view;
    const RecentCounts& counts = v.counts;
    const bool healthy =
        counts.records > 0 && m_adquisicionOK && (counts.alarms > 0 || !v.alarmsWatched) && m_p.flags.DbSize;
    v.circuloEstado.setBackground(healthy ? Palette::green : Palette::red);
}
