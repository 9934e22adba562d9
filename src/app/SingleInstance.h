#pragma once

#include <QLockFile>
#include <QString>

// One copy of the agent at a time per program folder. The lock is released when the holder ends, and a
// lock left by a killed copy is taken over (its process is gone).
class SingleInstance {
public:
    enum class Result {
        Acquired,  // this copy holds the lock
        OtherCopy, // a running copy holds it
        Failed,    // the lock can not be made (folder missing or read-only, disk full, ...): errorText()
    };

    explicit SingleInstance(const QString& programFolder);
    Result acquire();
    // After Failed: the folder and the cause, for the user.
    const QString& errorText() const { return m_error; }
    // Another copy was running when this one tried to take the lock.
    bool salir() const { return m_otherCopy; }

private:
    bool holderRuns() const;
    QString cause() const;

    QString m_folder;
    QString m_path;
    QLockFile m_lock;
    QString m_error;
    bool m_otherCopy = false;
};
