#include "ModemDialogue.h"

#include <QRegularExpression>

namespace {

constexpr char CR = 13;
constexpr char LF = 10;
constexpr char CtrlZ = 26;
constexpr char ESC = 27;
// A command line longer than a modem's buffer is dropped, as a modem does.
constexpr qsizetype maxLine = 512;

QByteArray ok() {
    return QByteArrayLiteral("\r\nOK\r\n");
}
QByteArray error() {
    return QByteArrayLiteral("\r\nERROR\r\n");
}

} // namespace

ModemDialogue::ModemDialogue(int signal, bool echo) : m_signal(signal), m_factoryEcho(echo), m_echo(echo) {
}

QList<ModemDialogue::Sms> ModemDialogue::takeAccepted() {
    return std::exchange(m_accepted, {});
}

void ModemDialogue::factoryReset() {
    m_echo = m_factoryEcho;
    m_cmgf = 0;
    m_atSinceCbst = 0;
    m_prompt = false;
    m_text.clear();
}

bool ModemDialogue::errorAt(const ModemMode& mode, const QString& step) const {
    return mode.kind == ModemMode::Kind::Error && mode.errorAt == step;
}

QByteArray ModemDialogue::feed(QByteArrayView bytes, const ModemMode& mode) {
    QByteArray out;
    for (const char c : bytes) {
        // A silent modem takes nothing in: its state is as it was when it went quiet.
        if (mode.kind == ModemMode::Kind::Silent)
            continue;
        if (m_prompt) {
            out += promptByte(c, mode);
            continue;
        }
        if (m_echo)
            out += c;
        if (c == CR) {
            out += command(std::exchange(m_line, {}), mode);
        } else if (c != LF) {
            m_line += c;
            if (m_line.size() > maxLine)
                m_line.clear();
        }
    }
    return out;
}

QByteArray ModemDialogue::promptByte(char c, const ModemMode& mode) {
    if (c == ESC) {
        m_prompt = false;
        m_text.clear();
        return {};
    }
    if (c != CtrlZ) {
        m_text += c;
        return m_echo ? QByteArray(1, c) : QByteArray();
    }
    // A hung modem never sends: it stays at the prompt, taking everything as text, until ESC.
    if (mode.kind == ModemMode::Kind::Hang)
        return {};
    m_prompt = false;
    if (errorAt(mode, QStringLiteral("9"))) {
        m_text.clear();
        return error();
    }
    m_accepted.append({m_number, std::exchange(m_text, {})});
    ++m_reference;
    return QByteArrayLiteral("\r\n+CMGS: ") + QByteArray::number(m_reference) + QByteArrayLiteral("\r\n") +
           ok();
}

QByteArray ModemDialogue::command(const QByteArray& line, const ModemMode& mode) {
    const QByteArray cmd = line.trimmed().toUpper();
    if (cmd.isEmpty() || !cmd.startsWith("AT"))
        return {}; // a bare CR (after Ctrl-Z) or noise: modems ignore it

    if (cmd == "AT") {
        const QString step = QString::number(qMin(5 + m_atSinceCbst++, 7));
        return errorAt(mode, step) || errorAt(mode, QStringLiteral("at")) ? error() : ok();
    }
    if (cmd.startsWith("AT+CBST=")) {
        m_atSinceCbst = 0;
        return errorAt(mode, QStringLiteral("4")) ? error() : ok();
    }
    if (cmd.startsWith("AT+CMGF=")) {
        const QByteArray value = cmd.mid(8).trimmed();
        if (errorAt(mode, QStringLiteral("cmgf")) || (value != "0" && value != "1"))
            return error();
        m_cmgf = value.toInt();
        return ok();
    }
    if (cmd.startsWith("AT+CMGS=")) {
        // In PDU format AT+CMGS takes a length, not a quoted number.
        static const QRegularExpression quoted(QStringLiteral("^AT\\+CMGS=\\s*\"([^\"]*)\"\\s*$"),
                                               QRegularExpression::CaseInsensitiveOption);
        const auto match = quoted.match(QString::fromLatin1(line.trimmed()));
        if (errorAt(mode, QStringLiteral("8")) || m_cmgf != 1 || !match.hasMatch())
            return error();
        m_number = match.captured(1).toLatin1();
        m_text.clear();
        m_prompt = true;
        return QByteArrayLiteral("\r\n> ");
    }
    if (cmd == "AT+CSQ") {
        if (errorAt(mode, QStringLiteral("csq")))
            return error();
        const QByteArray quality = mode.kind == ModemMode::Kind::NoCoverage
                                       ? QByteArrayLiteral("99,99")
                                       : QByteArray::number(m_signal) + QByteArrayLiteral(",99");
        return QByteArrayLiteral("\r\n+CSQ: ") + quality + QByteArrayLiteral("\r\n") + ok();
    }
    if (cmd == "AT&F" || cmd == "AT&F0") {
        if (errorAt(mode, QStringLiteral("reset")))
            return error();
        factoryReset();
        return ok();
    }
    if (cmd == "ATE0" || cmd == "ATE1") {
        m_echo = cmd == "ATE1";
        return ok();
    }
    return error();
}
