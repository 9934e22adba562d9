#include "forwarding/TlsReasons.h"

namespace TlsReasons {

QString fingerprint(const QByteArray& digest) {
    return QString::fromLatin1(digest.toHex(':').toUpper());
}

QString dateText(const QDateTime& when) {
    return when.toLocalTime().toString(QStringLiteral("dd/MM/yyyy"));
}

bool isTrustError(QSslError::SslError error) {
    switch (error) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return true;
    default:
        return false;
    }
}

QString ofCertificateError(QSslError::SslError error, const Certificate& peer, const QString& expectedName,
                           const QString& fallback) {
    switch (error) {
    case QSslError::CertificateExpired:
        return QStringLiteral("TLS: certificado caducado el %1").arg(dateText(peer.expiry));
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("TLS: certificado válido solo desde el %1").arg(dateText(peer.effective));
    case QSslError::HostNameMismatch:
        return QStringLiteral("TLS: el certificado no es de %1 (es de %2)")
            .arg(expectedName,
                 peer.names.isEmpty() ? QStringLiteral("nadie") : peer.names.join(QStringLiteral(", ")));
    case QSslError::NoPeerCertificate:
        return QStringLiteral("TLS: la otra parte no presenta certificado");
    default:
        if (isTrustError(error))
            return QStringLiteral(
                "TLS: certificado sin autoridad de confianza (ni en TlsCaFile ni firmado por "
                "uno de ellos)");
        return QStringLiteral("TLS: ") + fallback;
    }
}

QString ofHandshakeText(const QString& text) {
    const auto says = [&text](const char* words) {
        return text.contains(QLatin1String(words), Qt::CaseInsensitive);
    };
    if (says("wrong version number") || says("packet length too long") || says("unknown protocol") ||
        says("http request"))
        return QStringLiteral("TLS: la otra parte no habla TLS");
    if (says("certificate required"))
        return QStringLiteral("TLS: la central exige el certificado del agente (TlsCertFile, TlsKeyFile)");
    if (says("unknown ca") || says("bad certificate") || says("certificate unknown"))
        return QStringLiteral("TLS: la central no acepta el certificado del agente");
    if (says("bad record mac") || says("decrypt error") || says("psk identity"))
        return QStringLiteral("TLS: la central rechazó la clave compartida (TlsPskIdentity, TlsPskFile)");
    if (says("private key does not") || says("key values mismatch"))
        return QStringLiteral("TLS: TlsKeyFile no es la clave de TlsCertFile");
    if (says("unexpected eof") || says("remote host closed") || says("connection closed"))
        return QStringLiteral("TLS: la otra parte cerró la conexión durante el saludo");
    return QStringLiteral("TLS: saludo rechazado (%1)").arg(text);
}

QString pinMismatch(const QByteArray& digest) {
    return QStringLiteral("TLS: huella del certificado distinta (SHA-256 %1)").arg(fingerprint(digest));
}

QString noHandshake(std::chrono::milliseconds wait) {
    return QStringLiteral("TLS: sin saludo en %1 ms").arg(wait.count());
}

QString expiryWarning(const QString& whose, const QDateTime& expiry, const QDateTime& now) {
    if (!expiry.isValid() || expiry > now.addDays(warnDays))
        return {};
    if (expiry <= now)
        return QStringLiteral("TLS: %1 caducó el %2").arg(whose, dateText(expiry));
    return QStringLiteral("TLS: %1 caduca el %2").arg(whose, dateText(expiry));
}

} // namespace TlsReasons
