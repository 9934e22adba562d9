#pragma once

#include "app/CheckLine.h"
#include "forwarding/TlsSettings.h"

#include <QList>
#include <QSslCertificate>
#include <QSslKey>

// The files of the secured links for `vornnet --check`: there and readable, the key the certificate's,
// the pre-shared key long enough, key files closed to other accounts, and no certificate in use expired
// (FALLO) or within 30 days of it (AVISO). The handshake with each station is checked with the stations.
class TlsCheck {
public:
    explicit TlsCheck(TlsSettings settings) : m_s(std::move(settings)) {}

    QList<CheckLine> run() const;

    // The line for a certificate in use: AVISO within 30 days of its end, FALLO after it; none otherwise.
    static QList<CheckLine> expiry(const QString& whose, const QSslCertificate& certificate,
                                   const QString& fix);
    // Why the key is not the certificate's, as the TLS backend finds when it loads both (on a loopback
    // connection of its own, bounded); empty when it is.
    static QString keyMismatch(const QSslCertificate& certificate, const QSslKey& key);

private:
    TlsSettings m_s;
};
