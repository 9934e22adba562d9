#include "QuarnCenterProcess.h"
#include "support/Poll.h"

#include "core/Windows1252.h"
#include "forwarding/CentralLink.h"
#include "support/LinkFields.h"

#include <QFile>
#include <QSaveFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

bool accepts(quint16 port) {
    QTcpSocket s;
    BoundedWait wait;
    QObject::connect(&s, &QTcpSocket::stateChanged, &wait, &BoundedWait::wake);
    s.connectToHost("127.0.0.1", port);
    wait.until(
        [&] { return s.state() == QTcpSocket::ConnectedState || s.state() == QTcpSocket::UnconnectedState; },
        1s);
    return s.state() == QTcpSocket::ConnectedState;
}

TEST(QuarnCenterTest, ModeFileSwitchesTheRunningStationAndEveryMessageIsRecorded) {
    QTemporaryDir dir;
    const QString modeFile = dir.filePath("mode"), record = dir.filePath("record.txt");
    const auto setMode = [&](const QByteArray& mode) {
        QSaveFile f(modeFile); // whole or not at all: the station reads it on every connection
        return f.open(QIODevice::WriteOnly) && f.write(mode) == mode.size() && f.commit();
    };
    ASSERT_TRUE(setMode("echo\n"));
    QuarnCenterProcess center;
    ASSERT_TRUE(center.start({"--port", "0", "--record", record, "--mode-file", modeFile}));
    LinkFields form;
    form.IpQuarn.setText("127.0.0.1");
    form.lblPuerto.setText(QString::number(center.port()));
    CentralLink link{form.view()};
    link.setConnectWait(1000ms);
    link.setReplyWait(600ms);

    const struct {
        const char* mode;
        bool delivered;
        QString shown; // ESTADO afterwards; for split, only the second half of the echo
    } steps[] = {{"echo", true, ""},
                 {"split", false, "half"},
                 {"close", false, "Conexión cerrada"},
                 {"refuse", false, "No se pudo conectar"},
                 {"ECHO", true, ""}};
    QByteArray recorded;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.mode);
        ASSERT_TRUE(setMode(s.mode));
        const bool refusing = QByteArray(s.mode) == "refuse";
        ASSERT_TRUE(pollUntil([&] { return accepts(center.port()) != refusing; }, 3s));
        const QString message =
            "@@Año 5€##LIFETEST##" + QString(s.mode).toLower() + "##XX##2026/12/06 12:00:00@@";
        EXPECT_EQ(link.Envia(message, 1), s.delivered);
        const QString echo = "Recibido:" + message;
        EXPECT_EQ(form.ESTADO.text(), s.shown == "half" ? echo.mid(echo.size() / 2) : s.shown);
        if (!refusing)
            recorded += Windows1252::encode(message) + "\n";
    }
    QFile file(record);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), recorded) << "every message received is recorded, whatever the mode";
    EXPECT_TRUE(center.stop()) << "SIGTERM ends it cleanly";
}

TEST(QuarnCenterTest, AMessageIsTheFrameAndNineFieldsWhateverTheFieldsHold) {
    QTemporaryDir dir;
    const QString record = dir.filePath("record.txt");
    QuarnCenterProcess center;
    ASSERT_TRUE(center.start({"--port", "0", "--record", record}));
    LinkFields form;
    form.IpQuarn.setText("127.0.0.1");
    form.lblPuerto.setText(QString::number(center.port()));
    CentralLink link{form.view()};
    link.setConnectWait(1000ms);
    link.setReplyWait(2000ms);
    const QString messages[] = {
        "@@P##ALARM##0##1##a@@b##?##ADD##SISTEMA##2026/12/05 07:03:09@@",
        "@@P@@##ALARM##0##1##x##?##ADD##S@@##2026/12/05 07:03:09@@",
        "@@P##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/05 07:03:09@@",
    };
    QByteArray recorded;
    for (const QString& message : messages) {
        EXPECT_TRUE(link.Envia(message, 1)) << message.toStdString();
        recorded += message.toLatin1() + "\n";
    }
    QFile file(record);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), recorded);
}

} // namespace
