#pragma once

#include "core/AgentServices.h"
#include "watchdog/StepError.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

class BufferDb;
class Control;
class GelmarRestarter;
class ProcessPrimitives;
class StatusFile;
class SupervisionDb;
struct RecentCounts;
struct StatusFlags;

// The five-minute status update: whether the supervision system still records and whether its machine is
// healthy, shown in the window, with one notice to the central station (through the buffer) each time a
// watched condition opens or clears. The conditions' flags live in status.ini, so a condition still open
// after a restart of the agent is not told twice.
class StatusUpdate {
public:
    // The window fields the update reads and the ones it shows its findings in.
    struct View {
        const Control& txtPathGelmar;
        const Control& chkAlarms;
        const Control& lblSignal;  // as the modem driver last read it
        const bool& alarmsWatched; // the SMS step's: whether the alarm count is shown and watched
        RecentCounts& counts;      // what it counts, shown in lblNumVidas and lblAlmVidas
        Control& lblLastDate;
        Control& lblNumVidas;
        Control& lblAlmVidas;
        Control& txtFreeSpace;
        Control& txtMbAdquired;
        Control& lblEstadoAdquisicion;
        Control& TiempoDetenido;
        Control& circuloEstado;
        Control& txtCicloActivo;
        Control& lblFechaActualizado;
        Control& lblTiempoHist;
        Control& status; // the primary link's state
        Control& txtError;
    };
    // Read at each update: the load sets them after the agent is built.
    struct Limits {
        const float& MaxDb;
        const float& minFree;
        const bool& ControlFechasFuturas;
    };
    struct Parts {
        View view;
        Limits limits;
        StatusFlags& flags; // the five condition flags, as status.ini holds them
        const StatusFile& status;
        AgentServices services;
        SupervisionDb& db;
        BufferDb& buffer;
        ProcessPrimitives& baskill;
        GelmarRestarter& restarter;
        std::function<QString()> linkStateName; // the primary link's socket state, by name
        std::function<bool()> cicloActivo;      // whether the scheduler's timer is armed
        std::function<bool()> chkAdquisicion;   // false while maintenance has stopped the system
    };

    static inline const QString freeSizeNotice =
        QStringLiteral("Disco duro: Superado el mínimo espacio libre.");
    static inline const QString dbSizeNotice = QStringLiteral("Base de datos: Superado tamaño límite.");
    static inline const QString acquisitionNotice = QStringLiteral("Detenida adquisición o Gelmar no activo");
    static inline const QString modemNotice = QStringLiteral("Error detectando modem o cobertura nula.");

    // Bytes free to the supervision system on the disk that holds a folder; nullopt when not known.
    using FreeBytes = std::function<std::optional<qint64>(const QString& folder)>;

    explicit StatusUpdate(Parts parts);

    // Every scheduler tick: the update at the first tick of each minute ending in 0 or 5, then the
    // link's state in `status`.
    void PreActualizaDatosVida();
    // The update itself, every step in order; a failure ends it with its text in txtError. A call while
    // an update is already running (from inside the restart's wait) is ignored.
    void ActualizaDatosVida();

    // The program is ending: no update starts, and one waiting inside its restart goes no further.
    void stop() { m_stopped = true; }

    // The disk's free space; production asks the mount that holds the folder.
    void setFreeBytes(FreeBytes freeBytes) { m_freeBytes = std::move(freeBytes); }
    static std::optional<qint64> storageFreeBytes(const QString& folder);
    // "Gb libres en disco " + this: the drive of a Windows path ("C:\"), else the mount point that holds
    // the folder ("/", "/srv/"); "c:\" for an empty path.
    static QString driveText(const QString& folder);

private:
    struct Flag;
    void update();
    // Each indicator of the update, in its order; each shows its finding and opens or clears its
    // condition.
    void newestRecord(const QDateTime& now);
    void recentRecords(const QDateTime& now);
    void freeSpace();
    void databaseSize();
    void acquisition();
    void modem();
    void overallLight();
    // Opens or clears one condition: a notice and a write of status.ini only when it changes.
    void condition(const Flag& flag, bool open);
    QString folder() const;

    Parts m_p;
    FreeBytes m_freeBytes;
    StepError m_error;
    QString m_ultMinuto;
    bool m_adquisicionOK = false;
    bool m_running = false;
    bool m_stopped = false;
};
