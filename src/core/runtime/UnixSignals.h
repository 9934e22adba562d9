#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop (the handler itself only
// writes one byte to a socket pair), so the agent can unload as it does when the system shuts down.
//
// Should the event loop not get to it, because a call blocks the thread, a thread of its own ends the
// process (status 0) this many seconds after the first signal.
class UnixSignals : public QObject {
    Q_OBJECT
public:
    static constexpr int exitGraceSeconds = 3;

    // Installs the handlers, and lets through those signals if the parent had blocked them. Called first
    // thing in main(), so that a signal that comes while the program is being built is kept for the event
    // loop instead of killing it half-made. The constructor calls it too when it has not run.
    static void install();

    explicit UnixSignals(QObject* parent = nullptr);
    ~UnixSignals() override;

    // "SIGTERM", "SIGINT", "SIGHUP", or the number.
    static QString name(int signalNumber);

signals:
    void terminationRequested(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};
