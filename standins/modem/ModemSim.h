#pragma once

#include "ModemDialogue.h"
#include "ModemMode.h"
#include "Pty.h"

#include <QObject>
#include <QString>

class QSocketNotifier;
class QTimer;

// Stand-in for the GSM modem: answers the AT dialogue on the master side of a pseudo-terminal and
// appends every message it accepted to a record file. Its mode changes while it runs, by a "mode WORD"
// line on standard input or by a one-word mode file; each change is told on standard output as
// "mode WORD", so a test can wait for it.
class ModemSim : public QObject {
    Q_OBJECT
public:
    struct Options {
        ModemMode mode;
        QString modeFilePath;
        QString recordPath;
        static constexpr int fairSignal = 17;
        int signal = fairSignal;
        bool echo = false;
    };

    explicit ModemSim(Options options, QObject* parent = nullptr);

    // Opens the pseudo-terminal; false with a reason in errorString().
    bool start();
    QString serialPath() const { return m_pty.serialPath(); }
    QString errorString() const { return m_error; }

    // Reads standard input for "mode WORD" commands.
    void listenToStandardInput();

private:
    void onReadable();
    void onCommand();
    void pollModeFile();
    void setMode(const ModemMode& mode);
    void record(const ModemDialogue::Sms& sms);
    void writeOut(const QByteArray& bytes);

    Options m_options;
    Pty m_pty;
    ModemDialogue m_dialogue;
    ModemMode m_mode;
    QByteArray m_modeFileContent;
    QByteArray m_stdin;
    QSocketNotifier* m_notifier = nullptr;
    QSocketNotifier* m_stdinNotifier = nullptr;
    QTimer* m_modePoll = nullptr;
    QString m_error;
};
