// The secured link against real parts: stunnel4 in front of quarn-center on loopback, certificates made
// at run time with openssl.
#include "forwarding/TlsReasons.h"
#include "support/BlackHole.h"
#include "support/LinkFields.h"
#include "support/LogCapture.h"
#include "support/Station.h"
#include "support/Stunnel.h"
#include "support/TestCertificates.h"
#include "support/TestCommon.h"

using ConfigRules::TlsMode;

const QString message = QStringLiteral("@@PLANTA##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@");

class SecuredLinkTest : public ::testing::Test {
protected:
    SecuredLinkTest() {
        link.setConnectWait(1500ms);
        link.setReplyWait(1500ms);
        EXPECT_TRUE(central.ok && station.start());
    }
    // Certificate mode on the links given, trusting and pinning the central's certificate.
    TlsSettings pinned(std::array<TlsMode, 3> modes) {
        TlsSettings s;
        s.modes = modes;
        s.caFile = central.cert;
        s.pins = {QByteArray::fromHex(TestCertificates::fingerprint(central.cert).remove(':').toLatin1())};
        return s;
    }

    TestCertificates certs;
    TestCertificates::Made central = certs.make("central", 10); // ten days left: inside the warning's 30
    QStringList centralTls{"cert = " + central.cert, "key = " + central.key};
    Station station;
    LinkFields form;
    CentralLink link{form.view()};
};

TEST_F(SecuredLinkTest, DeliversThroughTheTerminatorByteForByteAndResumesTheSession) {
    Stunnel tls;
    ASSERT_TRUE(tls.start(station.port, centralTls)) << tls.log();
    form.point(1, tls.port);
    link.setTls(pinned({TlsMode::Cert, TlsMode::Off, TlsMode::Off}));
    QStringList warned;
    link.setExpiryWarning([&](const QString& w) { warned << w; });
    ASSERT_TRUE(link.Envia(message, 1)) << link.lastFailure();
    EXPECT_EQ(station.recorded(), message.toLatin1() + "\n");
    EXPECT_TRUE(link.tlsDetails(1).startsWith("TLS 1.3, central, SHA-256 " +
                                              TestCertificates::fingerprint(central.cert)))
        << link.tlsDetails(1);
    ASSERT_TRUE(link.Envia(message, 1));
    EXPECT_EQ(station.recorded().count("LIFETEST"), 2);
    EXPECT_EQ(tls.log().count("previous session reused"), 1) << tls.log();
    const QString expiry = TlsReasons::dateText(QDateTime::currentDateTime().addDays(10));
    EXPECT_EQ(warned, QStringList{"TLS: el certificado de la central del enlace 1 caduca el " + expiry})
        << "once a day, not at every delivery";
}

TEST(TlsReasons, ACertificateInUseIsWarnedOfWithinThirtyDaysOfItsEnd) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    EXPECT_EQ(TlsReasons::expiryWarning("el certificado", now.addDays(31), now), QString());
    EXPECT_EQ(TlsReasons::expiryWarning("el certificado", now.addDays(29), now),
              "TLS: el certificado caduca el " + TlsReasons::dateText(now.addDays(29)));
    EXPECT_EQ(TlsReasons::expiryWarning("el certificado", now.addSecs(-60), now),
              "TLS: el certificado caducó el " + TlsReasons::dateText(now.addSecs(-60)));
}

TEST_F(SecuredLinkTest, EachHandshakeFaultFailsOverToTheNextSecuredLinkAndSendsNothingInPlain) {
    LogCapture captured;
    Stunnel good;
    ASSERT_TRUE(good.start(station.port, centralTls));
    const TestCertificates::Made expired = certs.make("expired", 30, "IP:127.0.0.1", "400 days ago");
    const TestCertificates::Made otherName = certs.make("otra", 365, "DNS:otra.example");
    const TestCertificates::Made impostor = certs.make("impostor");
    ASSERT_TRUE(expired.ok && otherName.ok && impostor.ok);
    TlsSettings s = pinned({TlsMode::Cert, TlsMode::Cert, TlsMode::Off});
    // All trusted, only the central's pinned: the pin is checked on top of the chain.
    s.caFile = certs.path("trusted.pem");
    writeFile(s.caFile, readFile(central.cert) + readFile(expired.cert) + readFile(otherName.cert) +
                            readFile(impostor.cert));
    link.setTls(s);
    form.point(2, good.port);
    Station plain; // a recording listener: what reaches it in plain text is in its record
    ASSERT_TRUE(plain.start());
    BlackHole silent;

    const struct {
        const char* name;
        const TestCertificates::Made* cert; // behind a terminator; none: the listener itself
        quint16 listener;
        QString reason;
    } cases[] = {
        {"wrong pin", &impostor, 0,
         "TLS: huella del certificado distinta (SHA-256 " + TestCertificates::fingerprint(impostor.cert) +
             ")"},
        {"expired", &expired, 0, "TLS: certificado caducado el "},
        {"wrong name", &otherName, 0, "TLS: el certificado no es de 127.0.0.1 (es de otra, otra.example)"},
        {"plain station", nullptr, plain.port, "TLS: la otra parte no habla TLS"},
        {"silent listener", nullptr, silent.port(), "TLS: sin saludo en 1500 ms"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        captured.lines.clear();
        Stunnel primary;
        if (c.cert)
            ASSERT_TRUE(primary.start(station.port, {"cert = " + c.cert->cert, "key = " + c.cert->key}));
        form.point(1, c.cert ? primary.port : c.listener);
        const qsizetype before = station.recorded().count("LIFETEST");
        QElapsedTimer t;
        t.start();
        EXPECT_TRUE(link.EnviaConReserva(message));
        EXPECT_LT(t.elapsed(), c.listener == silent.port() ? 2500 : 1000)
            << "the handshake's failure ends at once";
        EXPECT_EQ(station.recorded().count("LIFETEST"), before + 1) << "delivered once, by secondary A";
        const QStringList told = captured.of("vornnet.link");
        ASSERT_FALSE(told.isEmpty());
        EXPECT_TRUE(
            told[0].startsWith(QString("enlace 1 127.0.0.1:%1: ").arg(form.lblPuerto.text()) + c.reason))
            << told[0];
    }
    EXPECT_GT(plain.recorded().size(), 0) << "the plain station was reached";
    EXPECT_FALSE(plain.recorded().contains("@@")) << "no byte of the message in plain text";
}

TEST_F(SecuredLinkTest, PreSharedKeyAndTheAgentsOwnCertificateReplacedWhileRunning) {
    const auto deliveredOn = [&](Stunnel& terminator, const TlsSettings& s) {
        form.point(1, terminator.port);
        link.setTls(s);
        return link.Envia(message, 1);
    };
    {
        SCOPED_TRACE("pre-shared key");
        Stunnel psk;
        writeFile(psk.path("secrets"), "agente:00112233445566778899aabbccddeeff\n");
        ASSERT_TRUE(psk.start(station.port, {"ciphers = PSK", "PSKsecrets = " + psk.path("secrets")}));
        TlsSettings s;
        s.modes = {TlsMode::Psk, TlsMode::Off, TlsMode::Off};
        s.pskIdentity = "agente";
        s.pskFile = certs.path("agent.psk");
        writeFile(s.pskFile, "00112233445566778899aabbccddeeff\n");
        EXPECT_TRUE(deliveredOn(psk, s)) << link.lastFailure();
        EXPECT_TRUE(link.tlsDetails(1).endsWith("clave compartida de agente")) << link.tlsDetails(1);
        writeFile(s.pskFile, "ffeeddccbbaa99887766554433221100\n");
        EXPECT_FALSE(link.Envia(message, 1)) << "a key the terminator does not hold";
        EXPECT_EQ(link.lastFailure(),
                  "TLS: la central rechazó la clave compartida (TlsPskIdentity, TlsPskFile)");
    }
    SCOPED_TRACE("the terminator requires the agent's certificate");
    const TestCertificates::Made agent = certs.make("agente"), stranger = certs.make("extraño");
    ASSERT_TRUE(agent.ok && stranger.ok);
    Stunnel mutual;
    ASSERT_TRUE(
        mutual.start(station.port, centralTls + QStringList{"verifyChain = yes", "CAfile = " + agent.cert}));
    TlsSettings s = pinned({TlsMode::Cert, TlsMode::Off, TlsMode::Off});
    EXPECT_FALSE(deliveredOn(mutual, s)) << "no certificate of the agent";
    EXPECT_EQ(link.lastFailure(),
              "TLS: la central exige el certificado del agente (TlsCertFile, TlsKeyFile)");
    s.certFile = certs.path("mine.crt");
    s.keyFile = certs.path("mine.key");
    const auto install = [](const QString& from, const QString& to) {
        return replaceFile(to, readFile(from));
    };
    ASSERT_TRUE(install(stranger.cert, s.certFile) && install(stranger.key, s.keyFile));
    EXPECT_FALSE(deliveredOn(mutual, s)) << "a certificate the terminator does not trust";
    EXPECT_EQ(link.lastFailure(), "TLS: la central no acepta el certificado del agente");
    ASSERT_TRUE(install(agent.cert, s.certFile) && install(agent.key, s.keyFile));
    EXPECT_TRUE(link.Envia(message, 1))
        << "the renewed certificate, without a restart: " << link.lastFailure();
    EXPECT_EQ(station.recorded().count("LIFETEST"), 2);
}
