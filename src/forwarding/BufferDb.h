#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

class Dialogs;
class EventLog;

// One notice of the buffer, as the resend reads it.
struct BufferRow {
    qint64 id = 0;
    QString device;
    QString alarm;
    QDateTime date;
    QString beginend;
};

// The local store-and-forward buffer: "buffer.mdb" in the program folder, an SQLite file with table
// `alarms` (id INTEGER PRIMARY KEY AUTOINCREMENT, device, alarm, date "YYYY-MM-DD HH:MM:SS", beginend).
// The file is supplied with the program (or made by `vornnet --create-buffer`); the agent never creates
// it while running. One shared connection reads; every insert opens a connection of its own.
class BufferDb {
public:
    static inline const QString fileName = QStringLiteral("buffer.mdb");
    static inline const QString errorTitle = QStringLiteral("Error añadiendo la alarma especial al buffer");

    BufferDb(QString path, Dialogs& dialogs);
    ~BufferDb();
    BufferDb(const BufferDb&) = delete;
    BufferDb& operator=(const BufferDb&) = delete;

    static QString pathIn(const QString& programFolder);
    const QString& path() const { return m_path; }

    // Load step 7: opens the shared reading connection `dbBuffer`; throws AgentError when the file is
    // missing or is not a buffer (the caller shows "No se encuentra buffer.mdb").
    void open();
    bool isOpen() const;
    void close();

    // An empty buffer at path. An existing file is left untouched and refused (false, with the reason).
    static bool create(const QString& path, QString* error);

    // Where a notice that can not be stored is told, beside the box.
    void setLog(const EventLog* log) { m_log = log; }

    // Stores one notice; false when it could not be stored now. Such a notice is not lost: it is held in
    // memory, after any held before it, and stored by the next call here or to storeHeld, in order. The
    // first failure of a series shows the modal box with the notice and the error (returning once it has
    // been closed); every notice held is written to the event log and told on vornnet.buffer.
    bool PonEnBuffer(const QString& device, const QString& alarm, const QString& inifin,
                     const QDateTime& timestamp);
    // Stores the held notices, oldest first, up to the first that still fails; true when none is left.
    bool storeHeld();
    qsizetype heldCount() const { return m_held.size(); }

    // Notices above the resend position and newer than the cut-off, in id order, the first limit of them
    // when one is given; throws AgentError.
    QList<BufferRow> rowsAfter(qint64 position, const QDateTime& cutoff, int limit = 0);
    static QString rowsAfterSql(qint64 position, const QDateTime& cutoff, int limit = 0);

private:
    QString m_path;
    Dialogs& m_dialogs;
    QString m_connection; // name of dbBuffer, empty while closed

    struct Notice {
        QString device, alarm, inifin;
        QDateTime timestamp;
    };
    QString insert(const Notice& n); // the error, empty when stored
    void tellHeld(const Notice& n, const QString& why, bool box);

    const EventLog* m_log = nullptr;
    QList<Notice> m_held;
    QString m_heldWhy; // why the oldest held notice could not be stored at the last try
    QString m_toldWhy; // the cause the box last showed for the series held
};
