// The secured link against real parts: stunnel4 in front of quarn-center on loopback, certificates made
// at run time with openssl.
#include "core/ConfigRules.h"
#include "forwarding/CentralLink.h"
#include "forwarding/TlsReasons.h"
#include "support/BlackHole.h"
#include "support/FileText.h"
#include "support/LinkFields.h"
#include "support/LogCapture.h"
#include "support/Station.h"
#include "support/Stunnel.h"
#include "support/TestCertificates.h"

#include <QElapsedTimer>
#include <QSaveFile>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using ConfigRules::TlsMode;

namespace {

const QString message = QStringLiteral("@@PLANTA##LIFETEST##XX##1##XX##XX##XX##XX##2026/12/06 12:00:00@@");

class SecuredLinkTest : public ::testing::Test {
protected:
    SecuredLinkTest() {
        link.setConnectWait(1500ms);
        link.setReplyWait(1500ms);
        central = certs.make(QStringLiteral("central"));
        EXPECT_TRUE(central.ok && station.start());
        centralTls = {QStringLiteral("cert = ") + central.cert, QStringLiteral("key = ") + central.key};
    }
    void point(int queWinsock, quint16 port) {
        Control* address[] = {&form.IpQuarn, &form.IpQuarnA, &form.IpQuarnB};
        Control* ports[] = {&form.lblPuerto, &form.lblPuertoA, &form.lblPuertoB};
        address[queWinsock - 1]->setText("127.0.0.1");
        ports[queWinsock - 1]->setText(QString::number(port));
    }
    // Certificate mode on the links given, trusting and pinning the central's certificate.
    TlsSettings pinned(std::array<TlsMode, 3> modes) {
        TlsSettings s;
        s.modes = modes;
        s.caFile = central.cert;
        s.pins = {QByteArray::fromHex(TestCertificates::fingerprint(central.cert).remove(':').toLatin1())};
        return s;
    }
    QByteArray delivered() const { return station.recorded(); }

    TestCertificates certs;
    TestCertificates::Made central;
    QStringList centralTls;
    Station station;
    LinkFields form;
    CentralLink link{form.view()};
};

TEST_F(SecuredLinkTest, DeliversThroughTheTerminatorByteForByteAndResumesTheSession) {
    Stunnel tls;
    ASSERT_TRUE(tls.start(station.port, centralTls)) << tls.log().toStdString();
    point(1, tls.port);
    link.setTls(pinned({TlsMode::Cert, TlsMode::Off, TlsMode::Off}));
    ASSERT_TRUE(link.Envia(message, 1)) << link.lastFailure().toStdString();
    EXPECT_EQ(delivered(), message.toLatin1() + "\n");
    EXPECT_TRUE(link.tlsDetails(1).startsWith("TLS 1.3, central, SHA-256 " +
                                              TestCertificates::fingerprint(central.cert)))
        << link.tlsDetails(1).toStdString();
    ASSERT_TRUE(link.Envia(message, 1));
    EXPECT_EQ(delivered().count("LIFETEST"), 2);
    EXPECT_EQ(tls.log().count("previous session reused"), 1) << tls.log().toStdString();
}

} // namespace
