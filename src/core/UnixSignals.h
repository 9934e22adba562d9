#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event loop (the handler itself only
// writes one byte to a socket pair), so the agent can unload as it does when the system shuts down.
class UnixSignals : public QObject {
    Q_OBJECT
public:
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
