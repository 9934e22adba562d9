#pragma once

#include "forwarding/TlsSettings.h"
#include "forwarding/WatchedFile.h"

#include <QList>
#include <QSslCertificate>
#include <QSslKey>

// The files a secured link uses (the certificates to trust, the agent's certificate and key, the
// pre-shared key), read at start-up and again when one changes, so a renewed certificate or key is used
// by the next connection without a restart.
class TlsFiles {
public:
    // Shortest pre-shared key accepted, in bytes (as the terminator's own rule).
    static constexpr qsizetype minPskBytes = 16;

    explicit TlsFiles(const TlsSettings& settings);

    // Looks at the files the mode uses and reads again those that changed. The reason a file needed
    // cannot be read or used, naming its key and path ("TLS: TlsCaFile /ruta: no existe"); empty when all
    // are usable.
    QString refresh(ConfigRules::TlsMode mode);

    const QList<QSslCertificate>& trusted() const { return m_trusted; }
    const QSslCertificate& certificate() const { return m_certificate; }
    const QSslKey& key() const { return m_key; }
    const QByteArray& psk() const { return m_psk; }
    // Moves on whenever a file's content changes: a session from before it is not resumed.
    quint64 generation() const { return m_generation; }
    // The key file's permission bits as last seen (0 when there is none).
    unsigned keyFileMode() const { return m_keyFile.mode(); }
    unsigned pskFileMode() const { return m_pskFile.mode(); }

    // A private key in PEM, without a pass phrase, of the kinds the agent uses (RSA, EC); null otherwise.
    static QSslKey keyOf(const QByteArray& pem);
    // The key of a PSK file: hexadecimal, alone or as stunnel's "identity:key" line; empty when it is not
    // hexadecimal.
    static QByteArray pskOf(const QByteArray& content);

private:
    QString read(WatchedFile& file, const char* key);

    WatchedFile m_caFile;
    WatchedFile m_certFile;
    WatchedFile m_keyFile;
    WatchedFile m_pskFile;
    QList<QSslCertificate> m_trusted;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QByteArray m_psk;
    quint64 m_generation = 0;
};
