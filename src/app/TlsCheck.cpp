#include "app/TlsCheck.h"

#include "core/runtime/BoundedWait.h"
#include "forwarding/TlsFiles.h"
#include "forwarding/TlsReasons.h"

#include <QDir>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <sys/stat.h>

using L = CheckLine::Level;
using ConfigRules::TlsMode;

namespace {

constexpr std::chrono::milliseconds keyCheckBudget{2000};

QString where(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

QList<CheckLine> TlsCheck::expiry(const QString& whose, const QSslCertificate& certificate,
                                  const QString& fix) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString warning = TlsReasons::expiryWarning(whose, certificate.expiryDate(), now);
    if (warning.isEmpty())
        return {};
    return {{certificate.expiryDate() <= now ? L::Fallo : L::Aviso, warning, fix}};
}

QString TlsCheck::keyMismatch(const QSslCertificate& certificate, const QSslKey& key) {
    // The backend compares them when it sets up a connection, before any byte leaves: a listener of our
    // own that only has to accept is enough.
    QTcpServer listener;
    if (!listener.listen(QHostAddress::LocalHost, 0))
        return {};
    QSslSocket socket;
    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    c.setLocalCertificate(certificate);
    c.setPrivateKey(key);
    socket.setSslConfiguration(c);
    BoundedWait wait;
    QObject::connect(&socket, &QSslSocket::errorOccurred, &wait, &BoundedWait::wake);
    bool helloSent = false;
    QObject::connect(&socket, &QSslSocket::encryptedBytesWritten, &wait, [&helloSent, &wait] {
        helloSent = true;
        wait.wake();
    });
    socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), listener.serverPort());
    wait.until([&] { return helloSent || socket.error() != QAbstractSocket::UnknownSocketError; },
               keyCheckBudget);
    // The backend refuses to set the connection up (its wording varies, and may be translated).
    const bool mismatch = socket.error() == QAbstractSocket::SslInvalidUserDataError ||
                          socket.error() == QAbstractSocket::SslInternalError;
    const QString why = socket.errorString();
    socket.abort();
    return mismatch ? why : QString();
}

QList<CheckLine> TlsCheck::run() const {
    QList<CheckLine> lines;
    bool cert = false, psk = false;
    for (int link = 1; link <= TlsSettings::linkCount; ++link) {
        if (!m_s.secured(link))
            continue;
        cert = cert || m_s.mode(link) == TlsMode::Cert;
        psk = psk || m_s.mode(link) == TlsMode::Psk;
        if (const QString why = m_s.settingsProblem(link); !why.isEmpty())
            lines.append({L::Fallo, QStringLiteral("enlace %1 %2").arg(link).arg(why),
                          QStringLiteral("corrija las claves Tls de [CONFIG] (docs/TLS.md)")});
    }
    const auto readableByOthers = [&lines](const char* key, const QString& path, unsigned mode) {
        if (mode & S_IRWXO)
            lines.append(
                {L::Aviso,
                 QStringLiteral("TLS: %1 %2 legible por otras cuentas (permisos %3)")
                     .arg(QString::fromLatin1(key), where(path))
                     .arg(mode & (S_ISUID | S_ISGID | S_ISVTX | S_IRWXU | S_IRWXG | S_IRWXO), 4, 8,
                          QLatin1Char('0')),
                 QStringLiteral("chmod 0640 %1, del usuario y el grupo del agente").arg(where(path))});
    };
    if (cert) {
        TlsFiles files(m_s);
        const QString why = files.refresh(TlsMode::Cert);
        if (!why.isEmpty()) {
            lines.append({L::Fallo, why, QStringLiteral("compruebe el fichero y sus permisos")});
        } else {
            lines.append(
                {L::Ok,
                 m_s.caFile.isEmpty()
                     ? QStringLiteral("TLS: TlsCaFile vacío: se confía en los certificados del sistema")
                     : QStringLiteral("TLS: TlsCaFile %1, %2 certificado(s) de confianza")
                           .arg(where(m_s.caFile))
                           .arg(files.trusted().size()),
                 {}});
            for (const QSslCertificate& c : files.trusted())
                lines += expiry(
                    QStringLiteral("el certificado de confianza %1 de TlsCaFile").arg(c.subjectDisplayName()),
                    c,
                    QStringLiteral("renueve el certificado de la central y póngalo en TlsCaFile (y su "
                                   "huella en TlsPin)"));
            if (!files.certificate().isNull()) {
                const QString mismatch = keyMismatch(files.certificate(), files.key());
                if (mismatch.isEmpty())
                    lines.append({L::Ok,
                                  QStringLiteral("TLS: TlsCertFile %1 (%2) y su clave TlsKeyFile")
                                      .arg(where(m_s.certFile), files.certificate().subjectDisplayName()),
                                  {}});
                else
                    lines.append(
                        {L::Fallo,
                         QStringLiteral("TLS: TlsKeyFile %1 no es la clave de TlsCertFile %2 (%3)")
                             .arg(where(m_s.keyFile), where(m_s.certFile), mismatch),
                         QStringLiteral("ponga en TlsKeyFile la clave con la que se hizo el certificado")});
                readableByOthers(ConfigKeys::TlsKeyFile, m_s.keyFile, files.keyFileMode());
                lines +=
                    expiry(QStringLiteral("el certificado del agente (TlsCertFile)"), files.certificate(),
                           QStringLiteral("renueve el certificado del agente; se toma sin reiniciar"));
            }
        }
    }
    if (psk) {
        TlsFiles files(m_s);
        const QString why = files.refresh(TlsMode::Psk);
        if (!why.isEmpty())
            lines.append(
                {L::Fallo, why,
                 QStringLiteral("escriba en TlsPskFile la clave en hexadecimal, de 16 bytes o más, como "
                                "en PSKsecrets del terminador")});
        else
            lines.append({L::Ok,
                          QStringLiteral("TLS: TlsPskFile %1, clave de %2 bytes para %3")
                              .arg(where(m_s.pskFile))
                              .arg(files.psk().size())
                              .arg(m_s.pskIdentity),
                          {}});
        if (files.pskFileMode() != 0)
            readableByOthers(ConfigKeys::TlsPskFile, m_s.pskFile, files.pskFileMode());
    }
    return lines;
}
