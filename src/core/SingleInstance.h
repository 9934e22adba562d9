#pragma once

#include <QLockFile>
#include <QString>

// One copy of the agent at a time per program folder. The lock is released when the holder ends, and a
// lock left by a killed copy is taken over (its process is gone).
class SingleInstance {
public:
    explicit SingleInstance(const QString& programFolder);
    // True when this copy now holds the lock; false when another running copy holds it.
    bool acquire();
    // Another copy was running when this one tried to take the lock.
    bool salir() const { return !m_lock.isLocked(); }

private:
    QLockFile m_lock;
};
