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
    return QStringLiteral("@@") + plant +
           QStringLiteral("##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@");
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// Whether a connection to the port is accepted now (bounded look).
bool accepts(quint16 port) {
    QTcpSocket s;
    BoundedWait wait;
    QObject::connect(&s, &QTcpSocket::stateChanged, &wait, &BoundedWait::wake);
    s.connectToHost(QStringLiteral("127.0.0.1"), port);
    wait.until(
        [&] {
            return s.state() == QAbstractSocket::ConnectedState ||
                   s.state() == QAbstractSocket::UnconnectedState;
        },
        500ms);
    return s.state() == QAbstractSocket::ConnectedState;
}

// Waits (bounded) until the station's port accepts or refuses as wanted.
bool portBecomes(quint16 port, bool accepting) {
    BoundedWait wait;
    return wait.until([&] { return accepts(port) == accepting; }, 3s);
}

class QuarnCenterTest : public ::testing::Test {
protected:
    QuarnCenterTest() {
        link.setConnectWait(1000ms);
        link.setReplyWait(600ms);
        form.IpQuarnA.setText(QString());
        form.IpQuarnB.setText(QString());
    }

    void point(Control& address, Control& port, quint16 p) {
        address.setText(QStringLiteral("127.0.0.1"));
        port.setText(QString::number(p));
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    Form1State form;
    CentralLink link{form};
};

TEST_F(QuarnCenterTest, EchoesAndRecordsTheBytesAsReceived) {
    QuarnCenterProcess center;
    ASSERT_TRUE(center.start(
        {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--record"), path("record.txt")}));
    point(form.IpQuarn, form.lblPuerto, center.port());
    const QString first = lifeTest(QStringLiteral("Año 5€"));
    const QString second = lifeTest(QStringLiteral("OTRA"));
    EXPECT_TRUE(link.Envia(first, 1));
    EXPECT_TRUE(link.Envia(second, 1));
    EXPECT_EQ(contents(path("record.txt")),
              Windows1252::encode(first) + "\n" + Windows1252::encode(second) + "\n");
    EXPECT_TRUE(center.stop()) << "SIGTERM ends it cleanly";
}

TEST_F(QuarnCenterTest, ModeFileSwitchesBetweenHealthyAndBrokenStation) {
    writeFile(path("mode"), "echo\n");
    QuarnCenterProcess center;
    ASSERT_TRUE(center.start({QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--record"),
                              path("record.txt"), QStringLiteral("--mode-file"), path("mode")}));
    point(form.IpQuarn, form.lblPuerto, center.port());

    struct Step {
        const char* mode;
        bool delivered;
        QString shown; // ESTADO afterwards; empty: not checked
    };
    const Step steps[] = {
        {"echo", true, QString()},
        {"split", false, QString()}, // checked below: only the second block is kept
        {"wrong", false, QStringLiteral("recibido:") + lifeTest(QStringLiteral("wrong"))},
        {"close", false, QStringLiteral("Conexión cerrada")},
        {"silent", false, QStringLiteral("Enviado Winsock:1")},
        {"refuse", false, QStringLiteral("No se pudo conectar")},
        {"ECHO", true, QString()},
    };
    QByteArray recorded;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.mode);
        writeFile(path("mode"), s.mode);
        const bool refusing = QByteArray(s.mode) == "refuse";
        ASSERT_TRUE(portBecomes(center.port(), !refusing));
        const QString message = lifeTest(QString::fromLatin1(s.mode).toLower());
        EXPECT_EQ(link.Envia(message, 1), s.delivered);
        if (!s.shown.isNull()) {
            EXPECT_EQ(form.ESTADO.text(), s.shown);
        }
        if (QByteArray(s.mode) == "split") {
            const QString echo = QStringLiteral("Recibido:") + message;
            EXPECT_FALSE(form.ESTADO.text().isEmpty());
            EXPECT_NE(form.ESTADO.text(), echo);
            EXPECT_TRUE(echo.endsWith(form.ESTADO.text()));
        }
        if (!refusing)
            recorded += message.toLatin1() + "\n";
    }
    EXPECT_EQ(contents(path("record.txt")), recorded)
        << "every message received is recorded, whatever the mode";
}

TEST_F(QuarnCenterTest, MessageEndsAtItsClosingFrameOrWhenThePeerPauses) {
    QuarnCenterProcess center;
    ASSERT_TRUE(center.start({QStringLiteral("--port"), QStringLiteral("0")}));
    struct Case {
        const char* name;
        QList<QByteArray> writes;
        QByteArray reply;
    };
    const Case cases[] = {
        {"frames across two writes", {"@@ab", "c@@"}, "Recibido:@@abc@@"},
        {"bytes after the closing frame", {"@@abc@@tail"}, "Recibido:@@abc@@"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTcpSocket s;
        BoundedWait wait;
        QObject::connect(&s, &QTcpSocket::readyRead, &wait, &BoundedWait::wake);
        QObject::connect(&s, &QTcpSocket::connected, &wait, &BoundedWait::wake);
        s.connectToHost(QStringLiteral("127.0.0.1"), center.port());
        ASSERT_TRUE(wait.until([&] { return s.state() == QAbstractSocket::ConnectedState; }, 2s));
        for (const QByteArray& w : c.writes) {
            s.write(w);
            s.flush();
            wait.pause(50ms);
        }
        QByteArray got;
        wait.until(
            [&] {
                got += s.readAll();
                return got.size() >= c.reply.size();
            },
            2s);
        EXPECT_EQ(got, c.reply);
    }
}

TEST_F(QuarnCenterTest, UnknownModeIsRejected) {
    QuarnCenterProcess center;
    EXPECT_FALSE(center.start({QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--mode"),
                               QStringLiteral("sometimes")}));
    EXPECT_EQ(center.process().exitCode(), 2);
}

} // namespace
