#pragma once

#include <QDateTime>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

// GSNET.EXE: brings up the other server processes of its installation, reports acquisition in GS.INI,
// records a HistoricalData row every period and, when asked, FlashAlarms rows at random. Its fault modes
// come from the installation's gelmar-sim.ini, re-read on every tick, so a running system can be made to
// stop recording, record future dates or report acquisition off.
class GelmarServer : public QObject {
    Q_OBJECT
public:
    GelmarServer(QString dir, int historyMs, QObject* parent = nullptr);

    // False (with the reason on standard error) when the installation is not usable.
    bool start();
    // Acquisition "0" in GS.INI; called on the way out.
    void stop();

private:
    void tick();
    void record();
    void randomAlarm();
    void setAcquisition(const QString& value);

    QString m_dir;
    int m_historyMs;
    QTimer m_timer;
    QDateTime m_nextHistory;
    QDateTime m_nextAlarm;
    QString m_acquisition;
    QRandomGenerator m_random;
};

// KOBSERVER.EXE, PLXSERVER.EXE, VQM.EXE and VORNDATA.exe: stay resident until terminated.
int runResident(const QString& dir);
// Set by SIGTERM or SIGINT; checked by the ticks.
bool terminationRequested();
void installTerminationHandler();
