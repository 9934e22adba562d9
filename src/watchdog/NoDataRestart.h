#pragma once

#include <QString>

class BufferDb;
class Clock;
class Control;
struct RecentCounts;

// The restart for lack of data: counts the scheduler ticks that saw no recent history record and asks
// for a restart when they reach the threshold in txtMinSinData, and the notice that announces a restart.
class NoDataRestart {
public:
    static inline const QString notice = QStringLiteral("Gelmar Reiniciado por falta de datos");
    static constexpr int counterCap = 999;

    struct View {
        const Control& chkRestart;
        const RecentCounts& counts; // the status update's count of recent records
        const Control& txtMinSinData;
        Control& lblTimeWithoutData; // shows the ticks without records
    };

    NoDataRestart(View view, const Clock& clock, BufferDb& buffer);

    // False when the supervision system has to be restarted: chkRestart ticked, no recent record
    // counted, and the ticks without records (never above 999) have reached the threshold, read anew each
    // time. The counter goes back to 0 then, and on every tick that sees records or has restarts off.
    bool TestData();
    // Queues "Gelmar Reiniciado por falta de datos" (AVISO, begin only) for the central station.
    void MandaMensajeRestart();

private:
    void setTicks(int ticks);

    View m_view;
    int m_ticks = 0;
    const Clock& m_clock;
    BufferDb& m_buffer;
};
