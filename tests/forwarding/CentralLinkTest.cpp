#include "ScriptedStation.h"

#include "core/Form1State.h"
#include "core/Windows1252.h"
#include "forwarding/CentralLink.h"
#include "forwarding/MessageFormat.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString message = QStringLiteral("@@PLANTA##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@");
const QByteArray echoed = "Recibido:" + message.toLatin1();

// A port nobody listens on: bound once, then released.
quint16 closedPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

class CentralLinkTest : public ::testing::Test {
protected:
    CentralLinkTest() {
        link.setConnectWait(1000ms);
        link.setReplyWait(600ms);
        form.IpQuarnA.setText(QString());
        form.IpQuarnB.setText(QString());
    }

    void point(int queWinsock, quint16 port) {
        Control* address[] = {&form.IpQuarn, &form.IpQuarnA, &form.IpQuarnB};
        Control* ports[] = {&form.lblPuerto, &form.lblPuertoA, &form.lblPuertoB};
        address[queWinsock - 1]->setText("127.0.0.1");
        ports[queWinsock - 1]->setText(QString::number(port));
    }

    Form1State form;
    CentralLink link{form};
};

TEST_F(CentralLinkTest, ExactEchoIsDeliveredAndClearsTheFields) {
    ScriptedStation station(ScriptedStation::echo());
    point(1, station.port());
    QString shownWhileSending, datosWhileSending;
    station.onMessage = [&](const QByteArray&) {
        shownWhileSending = form.ESTADO.text();
        datosWhileSending = form.Datos.text();
    };

    EXPECT_TRUE(link.Envia(message, 1));
    EXPECT_EQ(station.received, QList<QByteArray>{message.toLatin1()}) << "frames included, nothing appended";
    EXPECT_EQ(shownWhileSending, "Enviado Winsock:1");
    EXPECT_EQ(datosWhileSending, "PLANTA,LIFETEST,XX,1,XX,XX,XX,XX,2026/12/06 12:00:00");
    EXPECT_EQ(form.ESTADO.text(), QString());
    EXPECT_EQ(form.Datos.text(), QString());
    EXPECT_EQ(link.estado(1), 0) << "the connection must not outlive the delivery";
}

TEST_F(CentralLinkTest, AnythingButTheExactEchoFailsAfterTheWholeReplyWait) {
    struct Case {
        const char* name;
        ScriptedStation::Script script;
        bool closeAfterReply;
        QString lastBlock; // only the last block is kept
        QString shown;
    };
    const QString tail = QString::fromLatin1(echoed.mid(20));
    const QList<Case> cases = {
        {"split in two blocks",
         [](const QByteArray&) {
             return QList<ScriptedStation::Piece>{{0, echoed.left(20)}, {150, echoed.mid(20)}};
         },
         false, tail, tail},
        {"trailing line feed", ScriptedStation::reply(echoed + "\n"), false, echoed + "\n", echoed + "\n"},
        {"other case", ScriptedStation::reply("recibido:" + message.toLatin1()), false, "recibido:" + message,
         "recibido:" + message},
        {"other text", ScriptedStation::reply("ERROR"), false, "ERROR", "ERROR"},
        {"silent", ScriptedStation::silent(), false, QString(), "Enviado Winsock:1"},
        {"closed without reply", ScriptedStation::silent(), true, QString(), "Conexión cerrada"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedStation station(c.script, c.closeAfterReply);
        point(1, station.port());
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(link.Envia(message, 1));
        EXPECT_GE(t.elapsed(), 550);
        EXPECT_EQ(station.received.size(), 1);
        EXPECT_EQ(link.UltimaRespuesta(), c.lastBlock);
        EXPECT_EQ(form.ESTADO.text(), c.shown);
        EXPECT_EQ(form.Datos.text(), MessageFormat::logBody(message)) << "the message stays in Datos";
        EXPECT_EQ(link.estado(1), 0);
    }
}

TEST_F(CentralLinkTest, FailoverTriesPrimaryThenSecondariesSkippingEmptyOnes) {
    {
        SCOPED_TRACE("primary answers wrongly, secondary A echoes");
        ScriptedStation primary(ScriptedStation::reply("ERROR")), a(ScriptedStation::echo()),
            b(ScriptedStation::echo());
        point(1, primary.port());
        point(2, a.port());
        point(3, b.port());
        QString shownByA;
        a.onMessage = [&](const QByteArray&) { shownByA = form.ESTADO.text(); };
        EXPECT_TRUE(link.EnviaConReserva(message));
        EXPECT_EQ(QList<int>({primary.connections, a.connections, b.connections}), QList<int>({1, 1, 0}));
        EXPECT_EQ(shownByA, "Enviado Winsock:2");
    }
    {
        SCOPED_TRACE("primary refused, A empty, B echoes");
        ScriptedStation b(ScriptedStation::echo());
        point(1, closedPort());
        form.IpQuarnA.setText(QString());
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(link.Envia(message, 1));
        EXPECT_GE(t.elapsed(), 950) << "a refused connection costs the whole connect wait";
        EXPECT_EQ(form.ESTADO.text(), "No se pudo conectar");
        EXPECT_EQ(form.Datos.text(), MessageFormat::logBody(message));
        point(3, b.port());
        EXPECT_TRUE(link.EnviaConReserva(message));
        EXPECT_EQ(b.connections, 1);
    }
    {
        // Empty secondaries are skipped at once and show nothing.
        SCOPED_TRACE("secondaries empty: only the primary");
        ScriptedStation primary(ScriptedStation::silent());
        point(1, primary.port());
        form.IpQuarnB.setText(QString());
        form.ESTADO.setText("antes");
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(link.Envia(message, 2));
        EXPECT_FALSE(link.Envia(message, 3));
        EXPECT_LT(t.elapsed(), 500);
        EXPECT_EQ(form.ESTADO.text(), "antes");
        EXPECT_FALSE(link.EnviaConReserva(message));
        EXPECT_EQ(primary.connections, 1);
    }
    {
        SCOPED_TRACE("an empty primary is tried anyway and fails like an unreachable one");
        form.IpQuarn.setText(QString());
        EXPECT_FALSE(link.Envia(message, 1));
        EXPECT_EQ(form.ESTADO.text(), "No se pudo conectar");
    }
}

TEST_F(CentralLinkTest, OversizedReplyIsCut) {
    ScriptedStation station(ScriptedStation::reply("Recibido:" + QByteArray(200 * 1024, 'x')));
    point(1, station.port());
    EXPECT_FALSE(link.Envia(message, 1));
    EXPECT_GT(link.UltimaRespuesta().size(), 0);
    EXPECT_LE(link.UltimaRespuesta().size(), CentralLink::maxReplyBytes);
}

TEST_F(CentralLinkTest, EchoIsComparedWithTheWindows1252BytesSent) {
    const QString accented =
        "@@Planta Año##ALARM##7##1##Temp. 5€ \"alta\"##?##ADD##Cámara##2026/12/05 07:03:09@@";
    // A name from a UTF-8 database may hold what the code page lacks; it goes as "?", and the echo of those
    // bytes must count, or the alarm would block the scan for good.
    const QString beyond = "@@Planta##ALARM##7##1##Temp. ≥ 80 °C##?##ADD##Cámara##2026/12/05 07:03:09@@";
    struct Case {
        const char* name;
        QString sent;
        ScriptedStation::Script script;
        QByteArray wire;
        bool delivered;
    };
    const Case cases[] = {
        {"echo in the code page", accented, ScriptedStation::echo(),
         "@@Planta A\xF1o##ALARM##7##1##Temp. 5\x80 \"alta\"##?##ADD##C\xE1mara##2026/12/05 07:03:09@@",
         true},
        {"echo in UTF-8", accented, ScriptedStation::reply("Recibido:" + accented.toUtf8()),
         Windows1252::encode(accented), false},
        {"a character outside the code page", beyond, ScriptedStation::echo(),
         "@@Planta##ALARM##7##1##Temp. ? 80 \xB0"
         "C##?##ADD##C\xE1mara##2026/12/05 07:03:09@@",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedStation station(c.script);
        point(1, station.port());
        EXPECT_EQ(link.Envia(c.sent, 1), c.delivered);
        EXPECT_EQ(station.received, QList<QByteArray>{c.wire});
    }
}

TEST_F(CentralLinkTest, NestedDeliveryOnABusyLinkFailsAtOnce) {
    ScriptedStation primary([](const QByteArray& m) {
        return QList<ScriptedStation::Piece>{{300, "Recibido:" + m}};
    });
    ScriptedStation a(ScriptedStation::echo());
    point(1, primary.port());
    point(2, a.port());
    bool innerOnBusyLink = true, innerOnOtherLink = false;
    primary.onMessage = [&](const QByteArray&) {
        QTimer::singleShot(0, &link, [&] {
            innerOnBusyLink = link.Envia(message, 1);
            innerOnOtherLink = link.Envia(message, 2);
        });
    };
    EXPECT_TRUE(link.Envia(message, 1));
    EXPECT_FALSE(innerOnBusyLink);
    EXPECT_TRUE(innerOnOtherLink);
    EXPECT_EQ(primary.connections, 1);
}

} // namespace
