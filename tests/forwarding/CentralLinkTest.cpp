#include "ScriptedStation.h"

#include "core/text/Windows1252.h"
#include "forwarding/CentralLink.h"
#include "support/LinkFields.h"
#include "support/LogCapture.h"

using Station = ScriptedStation;

const QString message = QStringLiteral("@@PLANTA##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@");
const QByteArray echoed = "Recibido:" + message.toLatin1();

class CentralLinkTest : public ::testing::Test {
protected:
    CentralLinkTest() {
        link.setConnectWait(1000ms);
        link.setReplyWait(600ms);
    }
    // The link told one line since the last look, and it begins with start.
    void expectTold(const QString& start) {
        const QStringList told = captured.of("vornnet.link");
        captured.lines.clear();
        ASSERT_EQ(told.size(), 1) << start << "\n" << told.join('\n');
        EXPECT_TRUE(told[0].startsWith(start)) << told[0];
    }

    LogCapture captured;
    LinkFields form;
    CentralLink link{form.view()};
};

TEST_F(CentralLinkTest, AnythingButTheExactEchoFailsAndIsToldWithItsReason) {
    const struct {
        const char* name;
        Station::Reply reply;
        QString shown;
        QString reason;      // how the diagnostic line goes on after the link's address
        bool atOnce = false; // longer than the echo: nothing more can make it right
    } cases[] = {
        {"split in two blocks: only the last is kept",
         [](QTcpSocket& s, const QByteArray&) {
             s.write(echoed.left(20));
             QTimer::singleShot(150, &s, [&s] { s.write(echoed.mid(20)); });
         },
         echoed.mid(20), "eco erróneo, primeros bytes: "},
        {"trailing line feed", Station::reply(echoed + "\n"), echoed + "\n",
         QString("eco erróneo, más largo que el eco (%1 bytes), primeros bytes: \"Recibido:@@PLANTA##")
             .arg(echoed.size()),
         true},
        {"other case", Station::reply("recibido:" + message.toLatin1()), "recibido:" + message,
         "eco erróneo, primeros bytes: \"recibido:"},
        {"closed without reply", [](QTcpSocket& s, const QByteArray&) { s.disconnectFromHost(); },
         "Conexión cerrada", "cerrada sin respuesta"},
        {"silent", [](QTcpSocket&, const QByteArray&) {}, "Enviado Winsock:1", "sin eco en 600 ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Station station(c.reply);
        form.point(1, station.port());
        QElapsedTimer t;
        t.start();
        EXPECT_FALSE(link.Envia(message, 1));
        EXPECT_EQ(t.elapsed() < 550, c.atOnce) << t.elapsed() << " ms";
        EXPECT_EQ(station.received.size(), 1);
        EXPECT_EQ(form.ESTADO.text(), c.shown);
        EXPECT_EQ(form.Datos.text(), EventLog::logBody(message)) << "the message stays in Datos";
        EXPECT_EQ(link.estado(1), 0);
        expectTold("enlace 1 127.0.0.1:" + form.lblPuerto.text() + ": " + c.reason);
    }
}

TEST_F(CentralLinkTest, FailoverTriesPrimaryThenSecondariesSkippingEmptyOnesAtOnceWhenFast) {
    {
        SCOPED_TRACE("primary answers wrongly, secondary A echoes, B is not tried");
        Station primary(Station::reply("ERROR")), a(Station::echo()), b(Station::echo());
        form.point(1, primary.port());
        form.point(2, a.port());
        form.point(3, b.port());
        QString shownByA;
        a.onMessage = [&] { shownByA = form.ESTADO.text(); };
        EXPECT_TRUE(link.EnviaConReserva(message));
        EXPECT_EQ(QList<int>({primary.connections, a.connections, b.connections}), QList<int>({1, 1, 0}));
        EXPECT_EQ(shownByA, "Enviado Winsock:2");
    }
    SCOPED_TRACE("primary refused, A empty, B echoes");
    Station b(Station::echo());
    form.point(1, Station(Station::echo()).port()); // gone at once: nobody listens there any more
    form.point(3, b.port());
    form.IpQuarnA.setText(QString());
    form.ESTADO.setText("antes");
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.Envia(message, 2));
    EXPECT_EQ(form.ESTADO.text(), "antes");
    EXPECT_FALSE(link.Envia(message, 1));
    EXPECT_GE(t.elapsed(), 950) << "a refused connection costs the whole connect wait";
    EXPECT_EQ(form.ESTADO.text(), "No se pudo conectar");
    EXPECT_EQ(form.Datos.text(), EventLog::logBody(message));
    EXPECT_TRUE(link.EnviaConReserva(message));
    EXPECT_EQ(b.connections, 1);

    // With fast failover the refused primary gives way at once.
    link.setConnectWait(30s);
    link.setFastFailover(true);
    t.restart();
    EXPECT_TRUE(link.EnviaConReserva(message));
    EXPECT_LT(t.elapsed(), 10000) << "the refused primary did not hold the delivery for its connect wait";
    EXPECT_EQ(b.connections, 2);
}

TEST_F(CentralLinkTest, ARefusedOrUnreachableLinkIsToldAndARecoveryWithItsLength) {
    form.point(1, Station(Station::echo()).port()); // refused
    EXPECT_FALSE(link.EnviaConReserva(message));
    EXPECT_EQ(captured.of("vornnet.link"),
              QStringList{"enlace 1 127.0.0.1:" + form.lblPuerto.text() + ": conexión rechazada"});
    captured.lines.clear();
    form.IpQuarnA.setText("no-such-host.invalid");
    form.lblPuertoA.setText(""); // a cleared field is the default port at once, as at start-up
    EXPECT_FALSE(link.Envia(message, 2));
    expectTold("enlace 2 no-such-host.invalid:1003: inalcanzable");

    Station back(Station::echo());
    form.point(1, back.port());
    EXPECT_TRUE(link.EnviaConReserva(message));
    expectTold("envíos recuperados en el enlace 1 tras ");
    EXPECT_TRUE(link.EnviaConReserva(message));
    EXPECT_TRUE(captured.lines.isEmpty()) << "a success after a success says nothing";
}

TEST_F(CentralLinkTest, OversizedReplyIsCut) {
    Station station(Station::reply("Recibido:" + QByteArray(200 * 1024, 'x')));
    form.point(1, station.port());
    EXPECT_FALSE(link.Envia(message, 1));
    EXPECT_GT(link.UltimaRespuesta().size(), 0);
    EXPECT_LE(link.UltimaRespuesta().size(), CentralLink::maxReplyBytes);
}

TEST_F(CentralLinkTest, TheExactEchoOfTheWindows1252BytesSentDeliversAndClearsTheFields) {
    const QString accented =
        "@@Planta Año##ALARM##7##1##Temp. 5€ \"alta\"##?##ADD##Cámara##2026/12/05 07:03:09@@";
    // A name from a UTF-8 database may hold what the code page lacks; it goes as "?", and the echo of those
    // bytes must count, or the alarm would block the scan for good.
    const QString beyond = "@@Planta##ALARM##7##1##Temp. ≥ 80 °C##?##ADD##Cámara##2026/12/05 07:03:09@@";
    const struct {
        const char* name;
        QString sent;
        Station::Reply reply;
        QByteArray wire;
        bool delivered;
    } cases[] = {
        {"echo in the code page", accented, Station::echo(),
         "@@Planta A\xF1o##ALARM##7##1##Temp. 5\x80 \"alta\"##?##ADD##C\xE1mara##2026/12/05 07:03:09@@",
         true},
        {"echo in UTF-8", accented, Station::reply("Recibido:" + accented.toUtf8()),
         Windows1252::encode(accented), false},
        {"a character outside the code page", beyond, Station::echo(),
         "@@Planta##ALARM##7##1##Temp. ? 80 \xB0"
         "C##?##ADD##C\xE1mara##2026/12/05 07:03:09@@",
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Station station(c.reply);
        form.point(1, station.port());
        form.ESTADO.setText("antes");
        EXPECT_EQ(link.Envia(c.sent, 1), c.delivered);
        EXPECT_EQ(station.received, QList<QByteArray>{c.wire}) << "frames included, nothing appended";
        EXPECT_EQ(form.Datos.text(), c.delivered ? QString() : EventLog::logBody(c.sent));
        EXPECT_EQ(form.ESTADO.text(), c.delivered ? QString() : link.UltimaRespuesta());
        EXPECT_EQ(link.estado(1), 0) << "the connection must not outlive the delivery";
    }
}

TEST_F(CentralLinkTest, SecondDeliveryOnABusyLinkFailsAtOnce) {
    Station primary([](QTcpSocket& s, const QByteArray& m) {
        QTimer::singleShot(300, &s, [&s, m] { s.write("Recibido:" + m); });
    });
    Station a(Station::echo());
    form.point(1, primary.port());
    form.point(2, a.port());
    bool innerOnBusyLink = true, innerOnOtherLink = false;
    primary.onMessage = [&] {
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
