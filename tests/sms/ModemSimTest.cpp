// The modem stand-in, driven from a real serial port on its pseudo-terminal.
#include "ModemSimProcess.h"

#include <QSaveFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

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

// What the driver's own tests do not reach: a modem held at the prompt is let out only by ESC, and its
// reset goes back to PDU format. The rest of the dialogue is exercised through the driver.
TEST(ModemSim, AtThePromptOnlyEscLetsOutAndTheResetGoesBackToPduFormat) {
    QTemporaryDir dir;
    const QString record = dir.filePath("record");
    ModemSimProcess modem;
    ASSERT_TRUE(modem.start({"--record", record, "--mode", "hang"}));
    const QByteArray ok = "\r\nOK\r\n";
    const std::pair<QByteArray, QByteArray> rows[] = {
        {"AT+CMGF=1\rAT+CMGS= \"600555666\"\r", ok + "\r\n> "},
        {"stuck\x1a\r", {}},
        {"AT&F\r", {}}, // still at the prompt: taken as text
        {"\x1b", {}},   // ESC leaves it, nothing sent
        {"AT&F\r", ok},
        {"AT+CMGS= \"600777888\"\r", "\r\nERROR\r\n"}, // PDU format again
    };
    Line line(modem.path());
    ASSERT_TRUE(line.port.open(QIODevice::ReadWrite)) << line.port.errorString().toStdString();
    for (const auto& [sent, reply] : rows) {
        SCOPED_TRACE(sent.toStdString());
        EXPECT_EQ(line.exchange(sent, reply), reply);
    }
    EXPECT_EQ(QFile(record).size(), 0) << "nothing was sent";
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
