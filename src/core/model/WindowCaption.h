#pragma once

#include <QString>

class Control;
struct AgentSettings;

// The window's caption: as designed until the load has read the weekly optimisation's schedule, then
// with its days and hour when the optimisation is ticked.
class WindowCaption {
public:
    static constexpr const char* optimizaActiveTag = ". << Optimiza activo >> Dia: ";

    // settings: the optimisation's days and hour, read by the load before applyOptimiza.
    WindowCaption(Control& form1, const Control& chkOptimiza, const AgentSettings& settings);

    // The caption before the schedule is added to it.
    void remember();
    // The remembered caption with the optimisation's days and hour when chkOptimiza is ticked.
    void applyOptimiza();

    // 1 Sunday to 7 "Sabados"; empty out of that range.
    static QString dayName(int day);

private:
    Control& m_form1;
    const Control& m_chkOptimiza;
    const AgentSettings& m_settings;
    QString m_saved;
};
