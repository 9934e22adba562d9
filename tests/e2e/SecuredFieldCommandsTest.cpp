// The field commands on secured links, against the real agent, stunnel4 and quarn-center: what --check,
// --test-link and --status tell of the certificates and the handshakes, and the running agent's warning of a
// certificate near its end.
#include "forwarding/TlsReasons.h"
#include "support/ProcessHarness.h"
#include "support/Stunnel.h"
#include "support/TestCertificates.h"

#include <QJsonArray>

TEST(SecuredFieldCommands, TellTheCertificatesTheHandshakesAndTheSecuredLinks) {
    ProcessHarness f;
    TestCertificates certs;
    const TestCertificates::Made central = certs.make("central", 10),
                                 expired = certs.make("expired", 30, "IP:127.0.0.1", "400 days ago"),
                                 agent = certs.make("agente");
    ASSERT_TRUE(central.ok && expired.ok && agent.ok);
    writeFile(certs.path("ca.pem"), readFile(central.cert) + readFile(expired.cert));
    ASSERT_TRUE(QFile::setPermissions(agent.key, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ReadGroup | QFileDevice::ReadOther));
    Station station;
    Stunnel good, old;
    ASSERT_TRUE(station.start());
    ASSERT_TRUE(good.start(station.port, {"cert = " + central.cert, "key = " + central.key}));
    ASSERT_TRUE(old.start(station.port, {"cert = " + expired.cert, "key = " + expired.key}));
    f.point("", good.port);
    f.point("A", old.port);
    const QString pin = TestCertificates::fingerprint(central.cert);
    for (const auto& [key, value] : {std::pair<QString, QString>{"TlsMode", "cert"},
                                     {"TlsModeA", "cert"},
                                     {"TlsCaFile", certs.path("ca.pem")},
                                     {"TlsPin", pin.toLower()},
                                     {"TlsCertFile", agent.cert},
                                     {"TlsKeyFile", agent.key}})
        f.plant.config(key, value);
    const QString inTen = TlsReasons::dateText(QDateTime::currentDateTime().addDays(10));

    const Ran check = f.runCommand({"--check"});
    EXPECT_EQ(check.exitCode, 1);
    for (const QString& says : {
             QString("OK    TLS: TlsCertFile %1 (agente) y su clave TlsKeyFile").arg(agent.cert),
             QString("AVISO TLS: TlsKeyFile %1 legible por otras cuentas (permisos 0644)").arg(agent.key),
             QString("AVISO TLS: el certificado de confianza central de TlsCaFile caduca el %1").arg(inTen),
             QString("FALLO TLS: el certificado de confianza expired de TlsCaFile caducó el "),
             QString("OK    central IpQuarnCenter (127.0.0.1:%1) saludo TLS correcto: TLS 1.3, central, "
                     "SHA-256 %2")
                 .arg(good.port)
                 .arg(pin),
             QString(
                 "FALLO central IpQuarnCenterA (127.0.0.1:%1) sin saludo TLS (TLS: certificado caducado el ")
                 .arg(old.port),
         })
        EXPECT_TRUE(check.out.contains(says)) << says << "\n" << check.out;

    const Ran test = f.runCommand({"--test-link"}, {"VORNNET_LINK_WAIT_MS=2000"});
    EXPECT_EQ(test.exitCode, 1);
    EXPECT_TRUE(test.out.contains(QRegularExpression(
        QString(
            "Enlace 1 \\(principal\\) 127.0.0.1:%1 \\(TLS\\): OK eco \"Recibido:@@.*\" en \\d+ ms; TLS 1.3, "
            "central, SHA-256 %2, caduca el %3\n")
            .arg(good.port)
            .arg(pin, inTen))))
        << test.out;
    EXPECT_TRUE(
        test.out.contains(QString("Enlace 2 (secundaria A) 127.0.0.1:%1 (TLS): FALLO TLS: certificado "
                                  "caducado el ")
                              .arg(old.port)))
        << test.out;

    UltCodFile(f.plant.program, UltCodFile::Kind::Alarms, f.plantName).write(0);
    const QList<qint64> ids = f.addAlarms({501, 502});
    const auto running = f.agent({.tickMs = 100, .linkWaitMs = 2000});
    ASSERT_TRUE(f.waitPosition(ids.last(), 15s)) << running->err;
    EXPECT_EQ(ProcessHarness::codesOf(station.alarms()), (QList<qint64>{501, 502}));
    const QString warning = "TLS: el certificado de la central del enlace 1 caduca el " + inTen;
    EXPECT_EQ(QString::fromUtf8(running->err).count(warning), 1) << "once a day";
    const QJsonArray links = f.statusJson().value("links").toArray();
    ASSERT_EQ(links.size(), 3);
    EXPECT_TRUE(links[0].toObject().value("secured").toBool() &&
                links[1].toObject().value("secured").toBool());
    EXPECT_FALSE(links[2].toObject().value("secured").toBool(true));
    const Ran text = f.runCommand({"--status"});
    EXPECT_TRUE(text.out.contains("Enlaces cifrados: principal (certificado de la central hasta " + inTen +
                                  "), secundaria A\n"))
        << text.out;
    EXPECT_FALSE(text.out.contains("BEGIN")) << "no key or certificate leaves the agent";
}
