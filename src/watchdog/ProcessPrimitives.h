#pragma once

#include <QString>

class Dialogs;
class ProcessTable;

// The process primitives of module baskill, over the process table. Names are compared without regard
// to case; a walk always goes through the whole table.
class ProcessPrimitives {
public:
    ProcessPrimitives(const ProcessTable& table, Dialogs& dialogs);

    // True when a running process's executable name begins with name. A table that cannot be read
    // shows "Error al comprobar si <name> sigue cargado" and gives what was found (nothing).
    bool IsAppRunning(const QString& name);
    // Terminates every process whose executable name ends with name; true when at least one matched
    // (termination attempted). A table that cannot be read shows "Error KillApp!".
    bool KillApp(const QString& name);
    // SIGKILL stands for termination with an exit code, which a process here cannot be given. False
    // when the process cannot be signalled; nothing else is tried.
    bool KillProcessById(qint64 processId, quint32 exitCode);
    // Terminates the first process whose executable name equals name (all of them when allInstances);
    // true when one was terminated. The third argument has no effect. Throws AgentError when the table
    // cannot be read.
    bool KillAppWmi(const QString& name, bool allInstances, bool unused = false);

    const ProcessTable& table() const { return m_table; }

private:
    const ProcessTable& m_table;
    Dialogs& m_dialogs;
};
