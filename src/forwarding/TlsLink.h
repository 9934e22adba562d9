#pragma once

#include "forwarding/TlsFiles.h"
#include "forwarding/TlsSettings.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QHash>
#include <QSslError>
#include <array>

class QSslSocket;

// What the central-station link needs to secure a connection: the socket's TLS settings, the files read
// afresh when they change, the check of the station's certificate against the pins, the sessions kept
// between the one-connection-per-message deliveries, and the reasons of a failure.
class TlsLink {
public:
    explicit TlsLink(TlsSettings settings);

    const TlsSettings& settings() const { return m_settings; }
    bool secured(int link) const { return m_settings.secured(link); }
    TlsFiles& files() { return m_files; }

    // Once, when the link's socket is made: the pre-shared key is given when the handshake asks for it.
    void attach(QSslSocket& socket);
    // Readies the socket for an encrypted connection of the link to that address; the reason when it can
    // not be (a setting or a file that can not be used).
    QString prepare(QSslSocket& socket, int link, const QString& address, quint16 port);
    // After the handshake: why the peer is not the station configured (a pin, or a pre-shared-key link
    // that was not keyed); empty when it is.
    QString judge(const QSslSocket& socket, int link) const;
    // Why the handshake failed, from the socket's certificate errors or the error it reported.
    static QString failure(const QList<QSslError>& errors, const QString& errorString,
                           const QString& expectedName);
    // What a handshake showed: "TLS 1.3, central, SHA-256 AB:…, caduca el 18/12/2026", or the key's
    // identity on a pre-shared-key link.
    QString details(const QSslSocket& socket) const;
    // The message was echoed: the session is kept for the link's next connection.
    void keep(const QSslSocket& socket, int link);
    // Certificates in use (the agent's, the station's) that expire within 30 days: each told once a day.
    QStringList expiryWarnings(const QSslSocket& socket, int link);

private:
    struct Session {
        QByteArray ticket;
        QString address;
        quint16 port = 0;
        quint64 generation = 0;
    };

    TlsSettings m_settings;
    TlsFiles m_files;
    std::array<Session, TlsSettings::linkCount> m_sessions;
    QHash<QByteArray, QElapsedTimer> m_warned; // certificate digest: since its last warning
};
