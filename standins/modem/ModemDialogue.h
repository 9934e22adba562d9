#pragma once

#include "ModemMode.h"

#include <QByteArray>
#include <QList>

// The modem's side of the AT dialogue, without the terminal: bytes from the agent go in, the modem's
// answer comes out. It keeps the state a GSM modem keeps between commands: text or PDU message format
// (PDU after a factory reset, as real modems start), echo, and the "> " prompt of AT+CMGS, which takes
// the message text until Ctrl-Z sends it or ESC drops it.
class ModemDialogue {
public:
    struct Sms {
        QByteArray number; // between the quotes of AT+CMGS, as received
        QByteArray text;   // up to Ctrl-Z, as received
    };

    ModemDialogue(int signal, bool echo);

    QByteArray feed(QByteArrayView bytes, const ModemMode& mode);
    // The messages accepted since the last call.
    QList<Sms> takeAccepted();
    bool atPrompt() const { return m_prompt; }

private:
    QByteArray promptByte(char c, const ModemMode& mode);
    QByteArray command(const QByteArray& line, const ModemMode& mode);
    bool errorAt(const ModemMode& mode, const QString& step) const;
    void factoryReset();

    const int m_signal;
    const bool m_factoryEcho;
    bool m_echo;
    int m_cmgf = 0;
    int m_atSinceCbst = 0;
    int m_reference = 0;
    bool m_prompt = false;
    QByteArray m_line;
    QByteArray m_number;
    QByteArray m_text;
    QList<Sms> m_accepted;
};
