#pragma once

#include "watchdog/MaintenanceParts.h"

#include <QString>
#include <chrono>

class MaintenanceSteps;

// btnReindex_Click: stops the supervision system and the data tool, drops and recreates the history
// index, and starts them again, with the progress in paso and the button's colour.
class Reindex {
public:
    static inline const QString refusal =
        QStringLiteral("No se realizó el proceso porque no está activa la casilla de optimiza semanal");
    static inline const QString failureTitle = QStringLiteral("Rutine: btnReindex");
    // The index build may take long on a large history table.
    static constexpr std::chrono::seconds indexTimeout{1800};

    Reindex(MaintenanceParts& parts, MaintenanceSteps& steps);

    void btnReindex_Click();
    // True while a reindex runs; the scheduler passes over its optimisation step meanwhile.
    bool Reindexando() const { return m_reindexando; }

private:
    void rebuildIndex();

    MaintenanceParts& m_p;
    MaintenanceSteps& m_steps;
    bool m_reindexando = false;
};
