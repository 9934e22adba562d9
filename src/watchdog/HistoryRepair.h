#pragma once

#include "supervision/SupervisionDb.h"
#include "watchdog/MaintenanceParts.h"

#include <QList>
#include <QString>
#include <chrono>

class MaintenanceSteps;

// btnRepHist_Click: stops the supervision system and the data tool, runs the six maintenance steps on the
// acquired-data database, and starts them again. Its start is recorded in repair.log.
class HistoryRepair {
public:
    static inline const QString logLine = QStringLiteral("Proceso Repair lanzado el  ");
    // Each maintenance command may run for long on a large database.
    static constexpr std::chrono::seconds commandTimeout{3600};
    // The run-time error of a file that cannot be opened for writing.
    static constexpr quint32 fileAccessError = 75;

    struct Statement {
        SupervisionDb::Which which;
        QString text;
        bool check = false; // answers with what it found wrong
    };
    struct Step {
        QString label;
        // The commands run with the database in single-user mode, switched back however they end.
        bool singleUser;
        QList<Statement> statements;
    };
    // The six steps, in order, in the dialect of the connection.
    static QList<Step> steps(const SupervisionSql& sql);

    HistoryRepair(MaintenanceParts& parts, MaintenanceSteps& steps);

    void btnRepHist_Click();

    QString logPath() const;

private:
    // Throws AgentError when the line cannot be written.
    void writeLog();
    void stopSystem();
    void runStep(const Step& step);
    // The consistency check's findings: a check that finds nothing answers "ok" or nothing at all.
    void tellFindings(const QList<QSqlRecord>& rows);

    MaintenanceParts& m_p;
    MaintenanceSteps& m_steps;
};
