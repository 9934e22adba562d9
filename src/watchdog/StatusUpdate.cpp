#include "watchdog/StatusUpdate.h"

#include "core/AgentError.h"
#include "core/AgentLocale.h"
#include "core/AgentSettings.h"
#include "core/Clock.h"
#include "core/Files.h"
#include "core/Form1State.h"
#include "core/IniFile.h"
#include "core/NumberValue.h"
#include "core/StatusFile.h"
#include "core/SupervisionDb.h"
#include "forwarding/AlarmScan.h"
#include "forwarding/BufferDb.h"
#include "forwarding/GelmarRestarter.h"
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

const QColor lightRed(255, 192, 192);
const QColor white(255, 255, 255);
const QColor green(0, 255, 0);
const QColor red(255, 0, 0);

// 0.33 of an hour and one hour, as the system has always measured them.
constexpr qint64 recentRecordsMs = 1188000;
constexpr qint64 recentAlarmsMs = 3600000;
constexpr qint64 futureToleranceSecs = 5 * 60;

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
      m_error(m_p.form.txtError, m_p.log, m_p.clock) {
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
    return m_p.form.txtPathGelmar.text();
}

void StatusUpdate::PreActualizaDatosVida() {
    // The whole minute, not only its two digits: minute 05 of the next hour runs the update again even
    // when no other update came between (a tick that lasted an hour).
    const QString minute = m_p.clock.now().toString(QStringLiteral("yyyyMMddHHmm"));
    if ((minute.endsWith(QLatin1Char('5')) || minute.endsWith(QLatin1Char('0'))) && minute != m_ultMinuto) {
        m_ultMinuto = minute;
        ActualizaDatosVida();
    }
    if (m_p.linkStateName)
        m_p.form.status.setText(m_p.linkStateName());
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
                           m_p.clock.now());
}

void StatusUpdate::update() {
    Form1State& f = m_p.form;
    const SupervisionSql& sql = m_p.db.sql();
    QElapsedTimer took;
    took.start();
    const QDateTime now = m_p.clock.now();

    // Newest record, and the restart once per episode of records dated ahead of the clock.
    f.lblLastDate.setText(QStringLiteral("--"));
    QDateTime newest(QDate(2000, 1, 1), QTime(0, 0));
    if (m_p.settings.ControlFechasFuturas) {
        const QList<QSqlRecord> rows = m_p.db.select(Which::Acquired, sql.newestHistoryTimestamp());
        if (!rows.isEmpty()) {
            const QVariant stamp = rows.first().value(0);
            newest = SupervisionSql::toDateTime(stamp);
            if (!newest.isValid())
                throw AgentError(AgentError::Conversion, QStringLiteral("Fecha de registro no válida '") +
                                                             stamp.toString() + QLatin1Char('\''));
            f.lblLastDate.setText(AgentLocale::dateTimeText(newest));
        }
    }
    const bool future = newest > now.addSecs(futureToleranceSecs);
    f.lblLastDate.setBackground(future ? lightRed : white);
    const bool restart = future && m_p.flags.time;
    condition({&StatusFlags::time, StatusFile::Flag::time, AlarmScan::futureNotice}, future);
    if (restart)
        m_p.restarter.ReiniciaGelmar();
    if (m_stopped)
        return;

    // History records of the last 0.33 hour, alarms of the last hour.
    const qint64 records =
        m_p.db.countRows(Which::Acquired, sql.historyAfter(now.addMSecs(-recentRecordsMs)));
    f.lblNumVidas.setText(QString::number(records));
    f.lblNumVidas.setBackground(records == 0 ? lightRed : white);
    if (f.chkAlarms.checked()) {
        const qint64 alarms =
            m_p.db.countRows(Which::Acquired, sql.alarmsSince(now.addMSecs(-recentAlarmsMs)));
        f.lblAlmVidas.setText(QString::number(alarms));
        f.lblAlmVidas.setBackground(alarms == 0 ? lightRed : white);
    }

    // Free space on the disk of the installation folder, in gigabytes of 2^30 bytes.
    const std::optional<qint64> freeBytes = m_freeBytes ? m_freeBytes(folder()) : std::nullopt;
    if (!freeBytes)
        throw AgentError(AgentError::CommandFailed, QStringLiteral("No se puede leer el espacio libre de ") +
                                                        QDir::toNativeSeparators(folder()));
    // Compared as shown, two decimals, but as a number: the text carries the host's decimal separator.
    const double freeGb =
        std::round(static_cast<double>(*freeBytes) / 1024.0 / 1024.0 / 1024.0 * 100.0) / 100.0;
    QLocale locale = AgentLocale::locale();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    f.txtFreeSpace.setText(locale.toString(freeGb, 'f', 2));
    const bool lowSpace = freeGb < m_p.settings.minFree;
    f.txtFreeSpace.setBackground(lowSpace ? lightRed : white);
    condition({&StatusFlags::freeSize, StatusFile::Flag::freeSize, freeSizeNotice}, lowSpace);

    // Size of the acquired-data database file, in whole megabytes.
    const QString database = fileInFolder(fileInFolder(folder(), QStringLiteral("database")),
                                          SupervisionDb::acquiredCatalogue + QStringLiteral(".mdf"));
    const QFileInfo file(database);
    if (!file.isFile())
        throw AgentError(AgentError::CommandFailed,
                         QStringLiteral("No se encuentra ") + QDir::toNativeSeparators(database));
    const qint64 megabytes = std::llround(static_cast<double>(file.size()) / 1024.0 / 1024.0);
    f.txtMbAdquired.setText(QString::number(megabytes));
    const bool tooBig = static_cast<double>(megabytes) > static_cast<double>(m_p.settings.MaxDb);
    f.txtMbAdquired.setBackground(tooBig ? lightRed : white);
    condition({&StatusFlags::DbSize, StatusFile::Flag::DbSize, dbSizeNotice}, tooBig);

    // Acquisition, as the supervision system reports it, with its network server running; left as it
    // was while maintenance has the system stopped.
    if (!m_p.chkAdquisicion || m_p.chkAdquisicion()) {
        const QString acquisition = LeeIni(fileInFolder(folder(), QStringLiteral("GS.INI")),
                                           QStringLiteral("STATUS"), QStringLiteral("acquisition"));
        m_adquisicionOK =
            acquisition == QLatin1String("1") && m_p.baskill.IsAppRunning(QStringLiteral("GSNet.exe"));
        if (m_adquisicionOK) {
            f.lblEstadoAdquisicion.setText(QStringLiteral("Registrando..."));
            f.lblEstadoAdquisicion.setForeground(green);
            f.TiempoDetenido.setText(QStringLiteral("0"));
        } else {
            f.lblEstadoAdquisicion.setText(QStringLiteral("Detenido"));
            f.lblEstadoAdquisicion.setForeground(red);
        }
        condition({&StatusFlags::Acquisition, StatusFile::Flag::Acquisition, acquisitionNotice},
                  !m_adquisicionOK);
    }

    // The modem, as its driver last read it ("--" until then is no fault).
    const QString signal = f.lblSignal.text();
    condition({&StatusFlags::ModemOK, StatusFile::Flag::ModemOK, modemNotice},
              signal == QLatin1String("NC") || signal == QLatin1String("NM"));

    // The overall light: records, acquisition, alarms (unless hidden) and the database size.
    const bool healthy = NumberValue::of(f.lblNumVidas.text()) > 0 && m_adquisicionOK &&
                         (NumberValue::of(f.lblAlmVidas.text()) > 0 || !f.lblAlmVidas.visible()) &&
                         m_p.flags.DbSize;
    f.circuloEstado.setBackground(healthy ? green : red);

    const bool ciclo = m_p.cicloActivo && m_p.cicloActivo();
    f.txtCicloActivo.setText(ciclo ? QStringLiteral("Verdadero") : QStringLiteral("Falso"));
    f.lblFechaActualizado.setText(m_p.clock.now().toString(QStringLiteral("dd/MM/yyyy HH:mm")));
    f.lblTiempoHist.setText(QString::number(std::llround(static_cast<double>(took.elapsed()) / 1000.0)));
}
