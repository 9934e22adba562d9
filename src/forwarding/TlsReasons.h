#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QSslError>
#include <QString>
#include <QStringList>
#include <chrono>

// Why a secured link failed, in the words of the link's diagnostic line ("TLS: …", Spanish). Pure
// functions of what the handshake met, so each wording is tested from a table.
namespace TlsReasons {

// What the reasons say of a certificate.
struct Certificate {
    QDateTime effective;
    QDateTime expiry;
    QStringList names; // common name and alternative names
};

// A SHA-256 digest as `openssl x509 -fingerprint -sha256` writes it: "AB:CD:…".
QString fingerprint(const QByteArray& digest);
// A date as the reasons write it: "05/12/2026".
QString dateText(const QDateTime& when);

// One certificate error of the handshake; `expectedName` is the name the certificate had to carry and
// `fallback` the TLS library's own text, for the rarer errors.
QString ofCertificateError(QSslError::SslError error, const Certificate& peer, const QString& expectedName,
                           const QString& fallback);
// The errors that say the chain leads to no certificate of TlsCaFile.
bool isTrustError(QSslError::SslError error);
// A handshake that failed without a certificate error, from the TLS library's text of it.
QString ofHandshakeText(const QString& text);
// The station's certificate passed the chain but is none of the pinned ones.
QString pinMismatch(const QByteArray& digest);
// The connection was made but the handshake did not end within the connect wait.
QString noHandshake(std::chrono::milliseconds wait);

// The warning of a certificate in use that expires within `warnDays` days of `now`; empty otherwise.
constexpr int warnDays = 30;
QString expiryWarning(const QString& whose, const QDateTime& expiry, const QDateTime& now);

} // namespace TlsReasons
