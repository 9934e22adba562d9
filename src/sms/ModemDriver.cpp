#include "sms/ModemDriver.h"

#include "core/model/Control.h"
#include "core/model/Palette.h"
#include "core/runtime/Clock.h"
#include "core/runtime/EventLog.h"
#include "core/text/AgentLocale.h"
#include "core/text/Windows1252.h"
#include "sms/ModemReply.h"
#include "sms/SerialPortName.h"
#include "sms/SignalQuality.h"
#include "sms/SmsLogging.h"
#include "sms/SmsText.h"

#include <QDeadlineTimer>
#include <QScopeGuard>

namespace {

constexpr char CtrlZ = 26;
constexpr char ESC = 27;

} // namespace

ModemDriver::ModemDriver(View view, const Clock& clock, const EventLog& log, const QString& programFolder,
                         QObject* parent)
    : QObject(parent), m_view(view), m_clock(clock), m_log(log), m_modemLog(programFolder, clock) {
    connect(&MSComm1, &QSerialPort::readyRead, &m_wait, &BoundedWait::wake);
    connect(&MSComm1, &QSerialPort::errorOccurred, &m_wait, &BoundedWait::wake);
}

ModemDriver::~ModemDriver() {
    closePort();
}

void ModemDriver::stop() {
    m_stopped = true;
    m_wait.wake();
}

void ModemDriver::SmsOn() {
    m_busy = true;
    m_view.lblSignal.setForeground(Palette::red);
}

void ModemDriver::SmsOff() {
    m_busy = false;
    m_view.lblSignal.setForeground(Palette::black);
}

void ModemDriver::portProblem(const QString& problem) {
    if (problem == m_portProblem)
        return;
    m_portProblem = problem;
    m_view.lblErrorSMS.setText(problem);
    m_log.write(problem + QStringLiteral(" Hora: ") + AgentLocale::dateTimeText(m_clock.now()));
    qCWarning(lcSms).noquote() << problem;
}

bool ModemDriver::usable(const SerialPortName& port) {
    switch (port.kind) {
    case SerialPortName::Kind::Port:
        return true;
    case SerialPortName::Kind::NoModem:
        portProblem(QStringLiteral("Sin modem: Puerto Serie 0"));
        return false;
    case SerialPortName::Kind::Invalid:
        portProblem(QStringLiteral("Puerto Serie no válido: '") + m_view.txtComPort.text() +
                    QLatin1Char('\''));
        return false;
    }
    return false;
}

bool ModemDriver::openPort(const SerialPortName& port) {
    closePort();
    MSComm1.setPortName(port.name);
    MSComm1.setBaudRate(QSerialPort::Baud19200);
    MSComm1.setDataBits(QSerialPort::Data8);
    MSComm1.setParity(QSerialPort::NoParity);
    MSComm1.setStopBits(QSerialPort::OneStop);
    if (!MSComm1.open(QIODevice::ReadWrite)) {
        portProblem(QStringLiteral("Error abriendo el puerto serie ") + port.name + QStringLiteral(": ") +
                    MSComm1.errorString());
        MSComm1.clearError();
        return false;
    }
    if (!m_portProblem.isEmpty())
        qCInfo(lcSms).noquote() << "puerto serie" << port.name << "abierto de nuevo";
    m_portProblem.clear();
    return true;
}

void ModemDriver::closePort() {
    if (MSComm1.isOpen())
        MSComm1.close();
    MSComm1.clearError();
}

void ModemDriver::discardInput() {
    MSComm1.clear(QSerialPort::Input);
    MSComm1.readAll();
    MSComm1.clearError();
}

bool ModemDriver::write(const QByteArray& bytes) {
    if (!MSComm1.isOpen() || MSComm1.write(bytes) != bytes.size())
        return false;
    // Out now: the port may be closed right after (ESC before a reset).
    MSComm1.flush();
    return MSComm1.error() == QSerialPort::NoError;
}

ModemDriver::Outcome ModemDriver::step(const QByteArray& command, QByteArrayView awaited,
                                       std::chrono::milliseconds limit) {
    m_reply.clear();
    if (!write(command)) {
        qCWarning(lcSms).noquote() << "escritura en" << MSComm1.portName()
                                   << "fallida:" << MSComm1.errorString();
        return Outcome::Failed;
    }
    ModemReply::Verdict verdict = ModemReply::Verdict::Waiting;
    bool lost = false;
    m_wait.until(
        [&] {
            m_reply += MSComm1.readAll();
            verdict = ModemReply::judge(m_reply, awaited);
            const auto e = MSComm1.error();
            lost = !MSComm1.isOpen() || e == QSerialPort::ResourceError || e == QSerialPort::ReadError;
            return verdict != ModemReply::Verdict::Waiting || lost || m_stopped;
        },
        limit);
    // ERROR counts before the time-out, even when both came.
    if (verdict == ModemReply::Verdict::Error)
        return Outcome::Error;
    if (verdict == ModemReply::Verdict::Awaited)
        return Outcome::Awaited;
    if (lost || m_stopped)
        return Outcome::Failed;
    return Outcome::TimedOut;
}

bool ModemDriver::MandaMensaje(const QString& Texto, const QString& numero) {
    if (m_busy || m_stopped)
        return false;
    SmsOn();
    const auto done = qScopeGuard([this] { SmsOff(); });

    const SerialPortName port = SerialPortName::fromText(m_view.txtComPort.text());
    // Without a modem nothing is sent, so nothing may count as sent.
    if (port.kind == SerialPortName::Kind::NoModem)
        return usable(port);
    constexpr qsizetype shortestNumber = 9; // a national number's digits
    if (Texto.isEmpty() || numero.size() < shortestNumber) {
        m_view.lblErrorSMS.setText(lengthError);
        return false;
    }
    if (!usable(port))
        return false;
    const QString prepared = SmsText::prepare(Texto);

    if (!openPort(port))
        return false;
    const auto closed = qScopeGuard([this] { closePort(); });
    // The modem's own settling time after the port opens. Events run meanwhile (the red signal text shows),
    // and the busy mark keeps every other operation off the port.
    m_wait.until([this] { return m_stopped; }, m_waits.settle);
    discardInput();

    struct Step {
        QString label; // as the modem log numbers it
        QByteArray command;
        QByteArrayView awaited;
    };
    const Step steps[] = {
        // A reset leaves the modem in its factory message format: text format first, every time.
        {QStringLiteral("4"), "AT+CMGF=1\r", "OK\r"},
        {QStringLiteral("4"), "AT+CBST=7,0,1\r", "OK\r"},
        {QStringLiteral("5"), "AT\r", "OK\r"},
        {QStringLiteral("6"), "AT\r", "OK\r"},
        {QStringLiteral("7"), "AT\r", "OK\r"},
        {QStringLiteral("8"), "AT+CMGS= \"" + Windows1252::encode(numero) + "\"\r", ">"},
        {QStringLiteral("9"), Windows1252::encode(prepared) + CtrlZ + '\r', "OK\r"},
    };
    for (const Step& s : steps) {
        switch (step(s.command, s.awaited, m_waits.step)) {
        case Outcome::Awaited:
            continue;
        case Outcome::Error:
            if (!m_modemLog.append(m_reply, s.label, s.command, prepared))
                qCWarning(lcSms).noquote() << "no se puede escribir" << m_modemLog.currentPath();
            m_view.lblErrorSMS.setText(errorAnswer);
            qCWarning(lcSms).noquote() << "el módem ha respondido ERROR en el paso" << s.label;
            return false;
        case Outcome::TimedOut:
            qCWarning(lcSms).noquote() << "el módem no responde en el paso" << s.label;
            // At or past the prompt the modem takes everything as message text: ESC leaves the prompt,
            // or the reset command itself would become text.
            if (s.label == QLatin1String("8") || s.label == QLatin1String("9"))
                write(QByteArray(1, ESC));
            ResetModem();
            return false;
        case Outcome::Failed:
            return false;
        }
    }
    qCInfo(lcSms).noquote() << "SMS enviado a" << numero;
    return true;
}

void ModemDriver::ResetModem() {
    const QDeadlineTimer deadline(m_waits.reset);
    const auto closed = qScopeGuard([this] { closePort(); });
    // Whatever fails on the way shows as the modem's silence.
    Outcome outcome = Outcome::Failed;
    if (openPort(SerialPortName::fromText(m_view.txtComPort.text()))) {
        discardInput();
        outcome =
            step("AT&F\r", "OK\r", std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime())));
    }
    if (outcome != Outcome::Awaited && outcome != Outcome::Error) {
        m_view.lblErrorSMS.setText(resetError);
        qCWarning(lcSms) << "el módem no ha respondido al reinicio";
    }
}

void ModemDriver::SMSQuality() {
    if (m_busy || m_stopped)
        return;
    SmsOn();
    const auto done = qScopeGuard([this] { SmsOff(); });

    SignalQuality::Reading reading{QStringLiteral("NM"), 0};
    const SerialPortName port = SerialPortName::fromText(m_view.txtComPort.text());
    if (usable(port) && openPort(port)) {
        discardInput();
        step("AT+CSQ\r", "OK", m_waits.step);
        reading = SignalQuality::read(m_reply);
    }
    // A modem that can not be reached reads as no modem, so the status update reports it.
    m_view.lblSignal.setText(reading.text);
    m_view.ProgressBar1.setValue(reading.bar);
}
