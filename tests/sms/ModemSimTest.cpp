// The modem stand-in, driven from a real serial port on its pseudo-terminal.
#include "ModemSimProcess.h"

#include <QSaveFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A serial port on the modem's pseudo-terminal, 19200,N,8,1.
struct Line {
    QSerialPort port;
    BoundedWait wait;

    explicit Line(const QString& path) {
        port.setPortName(path);
        port.setBaudRate(QSerialPort::Baud19200);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        QObject::connect(&port, &QSerialPort::readyRead, &wait, &BoundedWait::wake);
    }
    // Writes bytes and collects the answer until it ends with `until`, or for `quiet` when nothing is due.
    QByteArray exchange(const QByteArray& bytes, const QByteArray& until,
                        std::chrono::milliseconds quiet = 300ms) {
        QByteArray reply;
        port.write(bytes);
        wait.until(
            [&] {
                reply += port.readAll();
                return !until.isEmpty() && reply.endsWith(until);
            },
            until.isEmpty() ? quiet : 3000ms);
        return reply;
    }
};

TEST(ModemSim, AnswersTheAtDialogueInEveryModeAndRecordsOnlyWhatItAccepted) {
    QTemporaryDir dir;
    const QString record = dir.filePath("record");
    ModemSimProcess modem;
    ASSERT_TRUE(modem.start({"--record", record, "--signal", "23"}));

    const QByteArray ok = "\r\nOK\r\n", error = "\r\nERROR\r\n", prompt = "\r\n> ";
    const struct Row {
        const char* mode; // switched before the row when set
        QByteArray sent;
        QByteArray reply; // empty: nothing comes
    } rows[] = {
        {nullptr, "AT+CMGS= \"600111222\"\r", error}, // a fresh modem is in PDU format
        {nullptr, "AT+CMGF=1\r", ok},
        {nullptr, "AT+CBST=7,0,1\r", ok},
        {nullptr, "AT\r", ok},
        {nullptr, "AT+CSQ\r", "\r\n+CSQ: 23,99\r\n" + ok},
        {nullptr, "AT+CMGS= \"+34600111222\"\r", prompt},
        {nullptr, "Sala \xf1 1\x1a\r", "\r\n+CMGS: 1\r\n" + ok},
        {"nocoverage", "AT+CSQ\r", "\r\n+CSQ: 99,99\r\n" + ok},
        {"error:csq", "AT+CSQ\r", error},
        {"error:8", "AT+CMGS= \"600333444\"\r", error},
        {"error:9", "AT+CMGS= \"600333444\"\r", prompt},
        {nullptr, "refused\x1a\r", error},
        {"error:6", "AT+CBST=7,0,1\rAT\r", ok + ok},
        {nullptr, "AT\r", error}, // the second AT after AT+CBST is step 6
        {"hang", "AT+CMGS= \"600555666\"\r", prompt},
        {nullptr, "stuck\x1a\r", {}},
        {nullptr, "AT&F\r", {}}, // still at the prompt: taken as text
        {nullptr, "\x1b", {}},   // ESC leaves it, nothing sent
        {nullptr, "AT&F\r", ok},
        {"normal", "AT+CMGS= \"600777888\"\r", error}, // AT&F went back to PDU format
        {"silent", "AT\r", {}},
        {"normal", "AT+CMGF=1\rAT+CMGS= \"600777888\"\r", ok + prompt},
        {nullptr, "Fin\x1a\r", "\r\n+CMGS: 2\r\n" + ok},
    };
    Line line(modem.path());
    ASSERT_TRUE(line.port.open(QIODevice::ReadWrite)) << line.port.errorString().toStdString();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sent.toStdString());
        if (row.mode) {
            ASSERT_TRUE(modem.setMode(row.mode));
        }
        EXPECT_EQ(line.exchange(row.sent, row.reply), row.reply);
    }
    EXPECT_EQ(readFile(record), "+34600111222\tSala \xf1 1\n600777888\tFin\n");
}

TEST(ModemSim, KeepsAnsweringAcrossReopenedPortsAndFollowsItsModeFile) {
    QTemporaryDir dir;
    const QString modeFile = dir.filePath("mode");
    ModemSimProcess modem;
    ASSERT_TRUE(modem.start({"--mode-file", modeFile, "--mode", "silent"}));
    const auto setMode = [&](const QByteArray& word) {
        QSaveFile f(modeFile);
        return f.open(QIODevice::WriteOnly) && f.write(word) == word.size() && f.commit() &&
               modem.waitMode(word);
    };
    for (const char* mode : {"normal", "silent", "normal"}) {
        SCOPED_TRACE(mode);
        ASSERT_TRUE(setMode(mode));
        Line line(modem.path()); // a new open of the port each time, as the agent does per dialogue
        ASSERT_TRUE(line.port.open(QIODevice::ReadWrite));
        const QByteArray expected = QByteArray(mode) == "normal" ? "\r\nOK\r\n" : "";
        EXPECT_EQ(line.exchange("AT\r", expected), expected);
    }
}

} // namespace
