#include "QuarnCenterProcess.h"

#include "core/BoundedWait.h"
#include "core/Form1State.h"
#include "core/Windows1252.h"
#include "forwarding/CentralLink.h"

#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

QString lifeTest(const QString& plant) {
    return "@@" + plant + "##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@";
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Connects to the station (bounded); whether the connection was accepted.
bool connectTo(QTcpSocket& s, quint16 port, BoundedWait& wait) {
    QObject::connect(&s, &QTcpSocket::stateChanged, &wait, &BoundedWait::wake);
    s.connectToHost("127.0.0.1", port);
    wait.until(
        [&] { return s.state() == QTcpSocket::ConnectedState || s.state() == QTcpSocket::UnconnectedState; },
        1s);
    return s.state() == QTcpSocket::ConnectedState;
}

class QuarnCenterTest : public ::testing::Test {
protected:
    QuarnCenterTest() {
        link.setConnectWait(1000ms);
        link.setReplyWait(600ms);
        form.IpQuarnA.setText(QString());
        form.IpQuarnB.setText(QString());
    }
    // Starts it on a free port, recording into record.txt, with the link pointed at it.
    bool start(QStringList args = {}) {
        if (!center.start(QStringList{"--port", "0", "--record", path("record.txt")} + args))
            return false;
        form.IpQuarn.setText("127.0.0.1");
        form.lblPuerto.setText(QString::number(center.port()));
        return true;
    }
    QString path(const char* name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    Form1State form;
    CentralLink link{form};
    QuarnCenterProcess center;
};

TEST_F(QuarnCenterTest, EchoesAndRecordsTheBytesAsReceived) {
    ASSERT_TRUE(start());
    const QString first = lifeTest("Año 5€"), second = lifeTest("OTRA");
    EXPECT_TRUE(link.Envia(first, 1));
    EXPECT_TRUE(link.Envia(second, 1));
    EXPECT_EQ(contents(path("record.txt")),
              Windows1252::encode(first) + "\n" + Windows1252::encode(second) + "\n");
    EXPECT_TRUE(center.stop()) << "SIGTERM ends it cleanly";
}

TEST_F(QuarnCenterTest, ModeFileSwitchesBetweenHealthyAndBrokenStation) {
    QFile mode(path("mode"));
    ASSERT_TRUE(mode.open(QIODevice::WriteOnly) && mode.write("echo\n") > 0);
    mode.close();
    ASSERT_TRUE(start({"--mode-file", path("mode")}));
    const struct {
        const char* mode;
        bool delivered;
        QString shown; // ESTADO afterwards; empty: not checked
    } steps[] = {
        {"echo", true, ""},
        {"split", false, ""}, // checked below: only the second block is kept
        {"wrong", false, "recibido:" + lifeTest("wrong")},
        {"close", false, "Conexión cerrada"},
        {"silent", false, "Enviado Winsock:1"},
        {"refuse", false, "No se pudo conectar"},
        {"ECHO", true, ""},
    };
    QByteArray recorded;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.mode);
        ASSERT_TRUE(mode.open(QIODevice::WriteOnly | QIODevice::Truncate) && mode.write(s.mode) > 0);
        mode.close();
        const bool refusing = QByteArray(s.mode) == "refuse";
        ASSERT_TRUE(BoundedWait().until(
            [&] {
                QTcpSocket probe;
                BoundedWait wait;
                return connectTo(probe, center.port(), wait) != refusing;
            },
            3s));
        const QString message = lifeTest(QString(s.mode).toLower());
        EXPECT_EQ(link.Envia(message, 1), s.delivered);
        const QString echo = "Recibido:" + message, shown = form.ESTADO.text();
        if (QByteArray(s.mode) == "split") {
            EXPECT_TRUE(!shown.isEmpty() && shown != echo && echo.endsWith(shown)) << shown.toStdString();
        } else if (!s.shown.isEmpty()) {
            EXPECT_EQ(shown, s.shown);
        }
        if (!refusing)
            recorded += message.toLatin1() + "\n";
    }
    EXPECT_EQ(contents(path("record.txt")), recorded)
        << "every message received is recorded, whatever the mode";
}

TEST_F(QuarnCenterTest, MessageEndsAtItsClosingFrameAndAnUnknownModeIsRejected) {
    ASSERT_TRUE(start());
    for (const QList<QByteArray>& writes :
         {QList<QByteArray>{"@@ab", "c@@"}, QList<QByteArray>{"@@abc@@tail"}}) {
        SCOPED_TRACE(writes.join('|').toStdString());
        QTcpSocket s;
        BoundedWait wait;
        QObject::connect(&s, &QTcpSocket::readyRead, &wait, &BoundedWait::wake);
        ASSERT_TRUE(connectTo(s, center.port(), wait));
        for (const QByteArray& w : writes) {
            s.write(w);
            s.flush();
            wait.pause(50ms);
        }
        QByteArray got;
        wait.until([&] { return (got += s.readAll()).size() >= 16; }, 2s);
        EXPECT_EQ(got, "Recibido:@@abc@@");
    }

    QuarnCenterProcess bad;
    EXPECT_FALSE(bad.start({"--port", "0", "--mode", "sometimes"}));
    EXPECT_EQ(bad.process().exitCode(), 2);
}

} // namespace
