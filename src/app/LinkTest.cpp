#include "app/LinkTest.h"

#include "app/Views.h"

#include "core/model/Configuration.h"
#include "core/model/Dialogs.h"
#include "core/model/Form1State.h"
#include "core/runtime/Clock.h"
#include "core/settings/AgentSettings.h"
#include "core/settings/ConfigRules.h"
#include "forwarding/CentralLink.h"
#include "forwarding/MessageFormat.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <cstdio>

QString LinkTest::plantOfFolder(const QString& programFolder) {
    const QString prefix = QStringLiteral("VornNetUltCod_");
    const QString suffix = QStringLiteral(".ini");
    const QStringList files =
        QDir(programFolder).entryList({prefix + QLatin1Char('*') + suffix}, QDir::Files);
    if (files.size() != 1)
        return {};
    // A name cut to fit the file system ends in "~" and a hash: not the whole plant name.
    const QString plant = files.first().mid(prefix.size()).chopped(suffix.size());
    static const QRegularExpression cut(QStringLiteral("~[0-9a-f]{8}$"));
    return plant.contains(cut) ? QString() : plant;
}

int LinkTest::run() {
    Form1State form;
    UnattendedDialogs dialogs;
    // The addresses and ports as start-up takes them, so the test sends where the agent would.
    Configuration(m_folder, Views::configuration(form), dialogs).readConfig(nullptr);
    QString plant = plantOfFolder(m_folder);
    if (plant.isEmpty()) {
        plant = form.txtPlanta.text();
        std::printf("Planta: sin fichero de posición único; el test de vida lleva \"%s\"\n",
                    qPrintable(plant));
    }

    CentralLink link(Views::link(form));
    link.setConnectWait(m_wait);
    link.setReplyWait(m_wait);
    // Each link is tried alone: a refused one has nothing to wait for.
    const bool fastFailure = true;
    link.setFastFailover(fastFailure);
    link.setTls(TlsSettings::fromIni(QDir(m_folder).filePath(QStringLiteral("vornnet.ini")), m_folder));

    const struct {
        const char* name;
        Control& address;
        Control& port;
    } links[] = {{"1 (principal)", form.IpQuarn, form.lblPuerto},
                 {"2 (secundaria A)", form.IpQuarnA, form.lblPuertoA},
                 {"3 (secundaria B)", form.IpQuarnB, form.lblPuertoB}};
    SystemClock clock;
    bool allEchoed = true;
    int tried = 0;
    for (int i = 0; i < CentralLink::linkCount; ++i) {
        const QString where = links[i].address.text() + QLatin1Char(':') +
                              QString::number(ConfigRules::port(links[i].port.text())) +
                              (link.secured(i + 1) ? QStringLiteral(" (TLS)") : QString());
        if (links[i].address.text().isEmpty()) {
            if (i == 0) {
                std::printf("Enlace %s: FALLO sin dirección (IpQuarnCenter en vornnet.ini)\n", links[i].name);
                allEchoed = false;
            } else {
                std::printf("Enlace %s: no configurado\n", links[i].name);
            }
            continue;
        }
        ++tried;
        const QString message = MessageFormat::lifeTest(plant, clock.now());
        QElapsedTimer roundTrip;
        roundTrip.start();
        const bool echoed = link.Envia(message, i + 1);
        const qint64 ms = roundTrip.elapsed();
        // A secured link says what its handshake showed: the version, the station's certificate (subject,
        // fingerprint, expiry) or the key's identity.
        const QString tls =
            link.tlsDetails(i + 1).isEmpty() ? QString() : QStringLiteral("; ") + link.tlsDetails(i + 1);
        if (echoed)
            std::printf("Enlace %s %s: OK eco \"%s\" en %lld ms%s\n", links[i].name, qPrintable(where),
                        qPrintable(link.UltimaRespuesta()), static_cast<long long>(ms), qPrintable(tls));
        else
            std::printf("Enlace %s %s: FALLO %s%s\n", links[i].name, qPrintable(where),
                        qPrintable(link.lastFailure()), qPrintable(tls));
        std::fflush(stdout);
        allEchoed = allEchoed && echoed;
    }
    return allEchoed && tried > 0 ? 0 : 1;
}
