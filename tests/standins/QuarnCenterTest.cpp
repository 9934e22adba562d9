#include "support/LinkFields.h"
#include "support/Poll.h"
#include "support/Station.h"

#include "core/Windows1252.h"
#include "forwarding/CentralLink.h"

#include <QTcpSocket>
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

// The stand-in, driven by the agent's own link.
class QuarnCenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(station.start());
        form.IpQuarn.setText("127.0.0.1");
        form.lblPuerto.setText(QString::number(station.port));
        link.setConnectWait(1000ms);
        link.setReplyWait(2000ms);
    }
    Station station;
    LinkFields form;
    CentralLink link{form.view()};
};

TEST_F(QuarnCenterTest, ModeFileSwitchesTheRunningStationAndEveryMessageIsRecorded) {
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
        station.setMode(s.mode);
        const bool refusing = QByteArray(s.mode) == "refuse";
        ASSERT_TRUE(pollUntil([&] { return accepts(station.port) != refusing; }, 3s));
        const QString message =
            "@@Año 5€##LIFETEST##" + QString(s.mode).toLower() + "##XX##2026/12/06 12:00:00@@";
        EXPECT_EQ(link.Envia(message, 1), s.delivered);
        const QString echo = "Recibido:" + message;
        EXPECT_EQ(form.ESTADO.text(), s.shown == "half" ? echo.mid(echo.size() / 2) : s.shown);
        if (!refusing)
            recorded += Windows1252::encode(message) + "\n";
    }
    EXPECT_EQ(station.recorded(), recorded) << "every message received is recorded, whatever the mode";
    EXPECT_TRUE(station.stop()) << "SIGTERM ends it cleanly";
}

TEST_F(QuarnCenterTest, AMessageIsTheFrameAndNineFieldsWhateverTheFieldsHold) {
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
    EXPECT_EQ(station.recorded(), recorded);
}

} // namespace
