#include "forwarding/TlsLink.h"

#include "forwarding/TlsReasons.h"

#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>

using ConfigRules::TlsMode;

namespace {

// The expiry warning is given at most once a day.
constexpr qint64 warningEveryMs = 24LL * 60 * 60 * 1000;

TlsReasons::Certificate factsOf(const QSslCertificate& c) {
    QStringList names = c.subjectInfo(QSslCertificate::CommonName);
    for (const QString& n : c.subjectAlternativeNames())
        if (!names.contains(n))
            names << n;
    return {c.effectiveDate(), c.expiryDate(), names};
}

} // namespace

TlsLink::TlsLink(TlsSettings settings) : m_settings(std::move(settings)), m_files(m_settings) {
}

void TlsLink::attach(QSslSocket& socket) {
    QObject::connect(&socket, &QSslSocket::preSharedKeyAuthenticationRequired, &socket,
                     [this](QSslPreSharedKeyAuthenticator* a) {
                         a->setIdentity(m_settings.pskIdentity.toUtf8());
                         a->setPreSharedKey(m_files.psk());
                     });
}

QString TlsLink::prepare(QSslSocket& socket, int link, const QString& address, quint16 port) {
    if (QString why = m_settings.settingsProblem(link); !why.isEmpty())
        return why;
    const TlsMode mode = m_settings.mode(link);
    if (QString why = m_files.refresh(mode); !why.isEmpty())
        return why;
    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    c.setProtocol(QSsl::TlsV1_2OrLater);
    // Resumption: the session the station gave on the last delivery, when nothing has changed since.
    c.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    c.setSslOption(QSsl::SslOptionDisableSessionTickets, false);
    Session& kept = m_sessions[link - 1];
    if (kept.address == address && kept.port == port && kept.generation == m_files.generation())
        c.setSessionTicket(kept.ticket);
    if (mode == TlsMode::Psk) {
        // The key is the only proof of the station: no certificate is asked for, and no cipher without
        // the key is offered. TLS 1.2, whose key-exchange ciphers the TLS backend keys from the callback
        // (its TLS 1.3 offers no external key); those with a key exchange first, for forward secrecy.
        c.setProtocol(QSsl::TlsV1_2);
        c.setPeerVerifyMode(QSslSocket::VerifyNone);
        QList<QSslCipher> keyed;
        for (const QSslCipher& cipher : QSslConfiguration::supportedCiphers())
            if (cipher.name().contains(QLatin1String("PSK")) && cipher.name().contains(QLatin1String("DHE")))
                keyed << cipher;
        for (const QSslCipher& cipher : QSslConfiguration::supportedCiphers())
            if (cipher.name().startsWith(QLatin1String("PSK-")))
                keyed << cipher;
        c.setCiphers(keyed);
    } else {
        c.setPeerVerifyMode(QSslSocket::VerifyPeer);
        if (!m_settings.caFile.isEmpty())
            c.setCaCertificates(m_files.trusted());
        if (!m_files.certificate().isNull()) {
            c.setLocalCertificate(m_files.certificate());
            c.setPrivateKey(m_files.key());
        }
    }
    socket.setSslConfiguration(c);
    return {};
}

QString TlsLink::judge(const QSslSocket& socket, int link) const {
    const QSslCertificate peer = socket.peerCertificate();
    if (m_settings.mode(link) == TlsMode::Psk)
        return peer.isNull() ? QString()
                             : QStringLiteral("TLS: la otra parte no usó la clave compartida (presentó un "
                                              "certificado)");
    if (m_settings.pins.isEmpty())
        return {};
    const QByteArray digest = peer.digest(QCryptographicHash::Sha256);
    return m_settings.pins.contains(digest) ? QString() : TlsReasons::pinMismatch(digest);
}

QString TlsLink::failure(const QList<QSslError>& errors, const QString& errorString,
                         const QString& expectedName) {
    QStringList reasons;
    // A certificate out of its dates fails the chain too: its dates are what to mend.
    const bool outOfDate = std::any_of(errors.begin(), errors.end(), [](const QSslError& e) {
        return e.error() == QSslError::CertificateExpired || e.error() == QSslError::CertificateNotYetValid;
    });
    for (const QSslError& e : errors) {
        if (outOfDate && TlsReasons::isTrustError(e.error()))
            continue;
        const QString why = TlsReasons::ofCertificateError(e.error(), factsOf(e.certificate()), expectedName,
                                                           e.errorString());
        if (!reasons.contains(why))
            reasons << why;
    }
    if (reasons.isEmpty())
        return TlsReasons::ofHandshakeText(errorString);
    return reasons.join(QStringLiteral("; "));
}

QString TlsLink::details(const QSslSocket& socket) const {
    const QSslCertificate peer = socket.peerCertificate();
    QString text =
        socket.sessionCipher().protocolString().replace(QLatin1String("TLSv"), QLatin1String("TLS "));
    if (peer.isNull())
        return text + QStringLiteral(", clave compartida de %1").arg(m_settings.pskIdentity);
    return text + QStringLiteral(", %1, SHA-256 %2, caduca el %3")
                      .arg(peer.subjectDisplayName(),
                           TlsReasons::fingerprint(peer.digest(QCryptographicHash::Sha256)),
                           TlsReasons::dateText(peer.expiryDate()));
}

void TlsLink::keep(const QSslSocket& socket, int link) {
    const QByteArray ticket = socket.sslConfiguration().sessionTicket();
    if (!ticket.isEmpty())
        m_sessions[link - 1] = {ticket, socket.peerName(), socket.peerPort(), m_files.generation()};
}

QStringList TlsLink::expiryWarnings(const QSslSocket& socket, int link) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QStringList told;
    const struct {
        QSslCertificate certificate;
        QString whose;
    } inUse[] = {
        {socket.peerCertificate(), QStringLiteral("el certificado de la central del enlace %1").arg(link)},
        {m_files.certificate(), QStringLiteral("el certificado del agente (TlsCertFile)")}};
    for (const auto& c : inUse) {
        if (c.certificate.isNull())
            continue;
        const QString warning = TlsReasons::expiryWarning(c.whose, c.certificate.expiryDate(), now);
        const QByteArray digest = c.certificate.digest(QCryptographicHash::Sha256);
        QElapsedTimer& since = m_warned[digest];
        if (warning.isEmpty() || (since.isValid() && since.elapsed() < warningEveryMs))
            continue;
        since.start();
        told << warning;
    }
    return told;
}
