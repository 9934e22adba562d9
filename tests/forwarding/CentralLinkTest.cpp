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

// A port nobody listens on: bound once, then released.
quint16 closedPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    const quint16 p = s.serverPort();
    s.close();
    return p;
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
        address[queWinsock - 1]->setText(QStringLiteral("127.0.0.1"));
        ports[queWinsock - 1]->setText(QString::number(port));
    }

    Form1State form;
    CentralLink link{form};
};

TEST_F(CentralLinkTest, ExactEchoIsDeliveredAndClearsTheFields) {
    ScriptedStation station(ScriptedStation::echo());
    point(1, station.port());
    QString shownWhileSending;
    QString datosWhileSending;
    station.onMessage = [&](const QByteArray&) {
        shownWhileSending = form.ESTADO.text();
        datosWhileSending = form.Datos.text();
    };

    EXPECT_TRUE(link.Envia(message, 1));

    ASSERT_EQ(station.received.size(), 1);
    EXPECT_EQ(station.received[0], message.toLatin1()); // frames included, nothing appended
    EXPECT_EQ(shownWhileSending, QStringLiteral("Enviado Winsock:1"));
    EXPECT_EQ(datosWhileSending, QStringLiteral("PLANTA,LIFETEST,XX,1,XX,XX,XX,XX,2026/12/06 12:00:00"));
    EXPECT_EQ(form.ESTADO.text(), QString());
    EXPECT_EQ(form.Datos.text(), QString());
    EXPECT_EQ(link.UltimaRespuesta(), QStringLiteral("Recibido:") + message);
    EXPECT_EQ(link.estado(1), 0) << "the connection must not outlive the delivery";
}

TEST_F(CentralLinkTest, EchoThatIsNotExactlyTheMessageFails) {
    const QByteArray echo = "Recibido:" + message.toLatin1();
    struct Case {
        const char* name;
        ScriptedStation::Script script;
        QString lastBlock;
    };
    const QList<Case> cases = {
        {"split in two blocks",
         [&](const QByteArray&) {
             return QList<ScriptedStation::Piece>{{0, echo.left(20)}, {150, echo.mid(20)}};
         },
         QString::fromLatin1(echo.mid(20))},
        {"trailing line feed", ScriptedStation::reply(echo + "\n"), QString::fromLatin1(echo + "\n")},
        {"other case", ScriptedStation::reply("recibido:" + message.toLatin1()),
         QStringLiteral("recibido:") + message},
        {"other text", ScriptedStation::reply("ERROR"), QStringLiteral("ERROR")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedStation station(c.script);
        point(1, station.port());
        EXPECT_FALSE(link.Envia(message, 1));
        // Only the last block is kept and shown; the message stays in Datos.
        EXPECT_EQ(link.UltimaRespuesta(), c.lastBlock);
        EXPECT_EQ(form.ESTADO.text(), c.lastBlock);
        EXPECT_EQ(form.Datos.text(), MessageFormat::logBody(message));
        EXPECT_EQ(link.estado(1), 0);
    }
}

TEST_F(CentralLinkTest, PeerClosingWithoutReplyFailsAfterTheWholeReplyWait) {
    ScriptedStation station(ScriptedStation::silent(), /*closeAfterReply=*/true);
    point(1, station.port());
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.Envia(message, 1));
    EXPECT_GE(t.elapsed(), 550);
    EXPECT_EQ(form.ESTADO.text(), QStringLiteral("Conexión cerrada"));
}

TEST_F(CentralLinkTest, SilentStationFailsAndTheSocketIsClosed) {
    ScriptedStation station(ScriptedStation::silent());
    point(1, station.port());
    EXPECT_FALSE(link.Envia(message, 1));
    EXPECT_EQ(station.received.size(), 1);
    EXPECT_EQ(link.UltimaRespuesta(), QString());
    EXPECT_EQ(form.ESTADO.text(), QStringLiteral("Enviado Winsock:1"));
    EXPECT_EQ(link.estado(1), 0);
}

TEST_F(CentralLinkTest, RefusedConnectionCostsTheWholeConnectWait) {
    point(1, closedPort());
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.Envia(message, 1));
    EXPECT_GE(t.elapsed(), 950) << "an error must not end the connect wait early";
    EXPECT_EQ(form.ESTADO.text(), QStringLiteral("No se pudo conectar"));
    EXPECT_EQ(form.Datos.text(), MessageFormat::logBody(message));
}

TEST_F(CentralLinkTest, AddressAndPortAreReadAtEachUse) {
    ScriptedStation first(ScriptedStation::echo());
    ScriptedStation second(ScriptedStation::echo());
    form.IpQuarn.setText(QStringLiteral("127.0.0.1"));
    form.lblPuerto.setText(QString::number(first.port()) + QStringLiteral("abc"));
    EXPECT_TRUE(link.Envia(message, 1));
    form.lblPuerto.setText(QString::number(second.port()));
    EXPECT_TRUE(link.Envia(message, 1));
    EXPECT_EQ(first.connections, 1);
    EXPECT_EQ(second.connections, 1);
}

TEST_F(CentralLinkTest, EmptyAddresses) {
    // Secondaries without address are skipped at once and show nothing.
    form.ESTADO.setText(QStringLiteral("antes"));
    form.Datos.setText(QStringLiteral("antes"));
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(link.Envia(message, 2));
    EXPECT_FALSE(link.Envia(message, 3));
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_EQ(form.ESTADO.text(), QStringLiteral("antes"));
    EXPECT_EQ(form.Datos.text(), QStringLiteral("antes"));

    // The primary is tried anyway and fails like an unreachable address.
    form.IpQuarn.setText(QString());
    EXPECT_FALSE(link.Envia(message, 1));
    EXPECT_EQ(form.ESTADO.text(), QStringLiteral("No se pudo conectar"));
    EXPECT_FALSE(link.Envia(message, 0));
    EXPECT_FALSE(link.Envia(message, 4));
}

TEST_F(CentralLinkTest, FailoverTriesPrimaryThenSecondaries) {
    {
        SCOPED_TRACE("primary answers wrongly, secondary A echoes");
        ScriptedStation primary(ScriptedStation::reply("ERROR"));
        ScriptedStation a(ScriptedStation::echo());
        ScriptedStation b(ScriptedStation::echo());
        point(1, primary.port());
        point(2, a.port());
        point(3, b.port());
        QString shownByA;
        a.onMessage = [&](const QByteArray&) { shownByA = form.ESTADO.text(); };
        EXPECT_TRUE(link.EnviaConReserva(message));
        EXPECT_EQ(primary.connections, 1);
        EXPECT_EQ(a.connections, 1);
        EXPECT_EQ(b.connections, 0);
        EXPECT_EQ(shownByA, QStringLiteral("Enviado Winsock:2"));
    }
    {
        SCOPED_TRACE("primary refused, A empty, B echoes");
        ScriptedStation b(ScriptedStation::echo());
        point(1, closedPort());
        form.IpQuarnA.setText(QString());
        point(3, b.port());
        EXPECT_TRUE(link.EnviaConReserva(message));
        EXPECT_EQ(b.connections, 1);
    }
    {
        SCOPED_TRACE("secondaries empty: only the primary");
        ScriptedStation primary(ScriptedStation::silent());
        point(1, primary.port());
        form.IpQuarnA.setText(QString());
        form.IpQuarnB.setText(QString());
        EXPECT_FALSE(link.EnviaConReserva(message));
        EXPECT_EQ(primary.connections, 1);
    }
    {
        SCOPED_TRACE("nobody echoes: each link tried once");
        ScriptedStation s1(ScriptedStation::silent());
        ScriptedStation s2(ScriptedStation::reply("no"));
        ScriptedStation s3(ScriptedStation::silent(), true);
        point(1, s1.port());
        point(2, s2.port());
        point(3, s3.port());
        EXPECT_FALSE(link.EnviaConReserva(message));
        EXPECT_EQ(s1.connections + s2.connections + s3.connections, 3);
        EXPECT_EQ(s3.received.size(), 1);
    }
}

TEST_F(CentralLinkTest, OversizedReplyIsCut) {
    const QByteArray flood = "Recibido:" + QByteArray(200 * 1024, 'x');
    ScriptedStation station(ScriptedStation::reply(flood));
    point(1, station.port());
    EXPECT_FALSE(link.Envia(message, 1));
    EXPECT_GT(link.UltimaRespuesta().size(), 0);
    EXPECT_LE(link.UltimaRespuesta().size(), CentralLink::maxReplyBytes);
}

TEST_F(CentralLinkTest, WireAndEchoUseWindows1252) {
    const QString accented = QStringLiteral("@@Planta Año##ALARM##7##1##Temp. 5€ \"alta\"##?##ADD##Cámara##"
                                            "2026/12/05 07:03:09@@");
    const QByteArray wire = Windows1252::encode(accented);
    ASSERT_TRUE(wire.contains('\xF1'));
    ASSERT_TRUE(wire.contains('\x80'));
    {
        SCOPED_TRACE("echo in the code page is accepted");
        ScriptedStation station(ScriptedStation::echo());
        point(1, station.port());
        EXPECT_TRUE(link.Envia(accented, 1));
        ASSERT_EQ(station.received.size(), 1);
        EXPECT_EQ(station.received[0], wire);
    }
    {
        SCOPED_TRACE("echo in UTF-8 is not the message");
        ScriptedStation station(ScriptedStation::reply("Recibido:" + accented.toUtf8()));
        point(1, station.port());
        EXPECT_FALSE(link.Envia(accented, 1));
    }
    {
        // A name from a UTF-8 database may hold what the code page lacks; it goes as "?", and the echo
        // of those bytes must count, or the alarm would block the scan for good.
        SCOPED_TRACE("a character outside the code page");
        const QString beyond = QStringLiteral("@@Planta##ALARM##7##1##Temp. ≥ 80 °C##?##ADD##Cámara##"
                                              "2026/12/05 07:03:09@@");
        ScriptedStation station(ScriptedStation::echo());
        point(1, station.port());
        EXPECT_TRUE(link.Envia(beyond, 1));
        ASSERT_EQ(station.received.size(), 1);
        EXPECT_TRUE(station.received[0].contains("Temp. ? 80 \xB0"
                                                 "C"));
    }
}

TEST_F(CentralLinkTest, NestedDeliveryOnABusyLinkFailsAtOnce) {
    const QString inner = QStringLiteral("@@OTRA##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@");
    ScriptedStation primary([&](const QByteArray& m) {
        return QList<ScriptedStation::Piece>{{300, "Recibido:" + m}};
    });
    ScriptedStation a(ScriptedStation::echo());
    point(1, primary.port());
    point(2, a.port());
    bool innerOnBusyLink = true;
    bool innerOnOtherLink = false;
    primary.onMessage = [&](const QByteArray&) {
        QTimer::singleShot(0, &link, [&] {
            innerOnBusyLink = link.Envia(inner, 1);
            innerOnOtherLink = link.Envia(inner, 2);
        });
    };
    EXPECT_TRUE(link.Envia(message, 1));
    EXPECT_FALSE(innerOnBusyLink);
    EXPECT_TRUE(innerOnOtherLink);
    EXPECT_EQ(primary.connections, 1);
    ASSERT_EQ(a.received.size(), 1);
    EXPECT_EQ(a.received[0], inner.toLatin1());
}

TEST(CentralLinkStates, NamesAndCodes) {
    const QStringList names = CentralLink::NombreEstado();
    ASSERT_EQ(names.size(), 11);
    EXPECT_EQ(names[0], QStringLiteral("Desconectado"));
    EXPECT_EQ(names[6], QStringLiteral("Conectando..."));
    EXPECT_EQ(names[7], QStringLiteral("Conectado"));
    EXPECT_EQ(names[3], QStringLiteral("3"));
    EXPECT_EQ(names[10], QStringLiteral("10"));

    EXPECT_EQ(CentralLink::stateCode(QAbstractSocket::UnconnectedState), 0);
    EXPECT_EQ(CentralLink::stateCode(QAbstractSocket::HostLookupState), 6);
    EXPECT_EQ(CentralLink::stateCode(QAbstractSocket::ConnectingState), 6);
    EXPECT_EQ(CentralLink::stateCode(QAbstractSocket::ConnectedState), 7);
    QList<int> others;
    for (auto s :
         {QAbstractSocket::BoundState, QAbstractSocket::ListeningState, QAbstractSocket::ClosingState}) {
        const int code = CentralLink::stateCode(s);
        EXPECT_GE(code, 1);
        EXPECT_LE(code, 10);
        EXPECT_FALSE(code == 0 || code == 6 || code == 7 || others.contains(code));
        others << code;
    }

    Form1State form;
    const CentralLink link(form);
    EXPECT_EQ(link.connectWait(), std::chrono::seconds(20));
    EXPECT_EQ(link.replyWait(), std::chrono::seconds(20));
    EXPECT_EQ(link.nombreEstado(1), QStringLiteral("Desconectado"));
}

} // namespace
