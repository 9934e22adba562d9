#pragma once

#include "core/runtime/BoundedWait.h"
#include "forwarding/MessageSender.h"
#include "forwarding/TlsLink.h"

#include <QAbstractSocket>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QSslError>
#include <QStringList>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Control;
class QTcpSocket;

// The link to the central station: one fresh TCP connection per message, on the primary address and then
// on secondaries A and B, each counted delivered only when the station echoes "Recibido:" + message.
// Addresses and ports are read from the window fields at each use, so a saved setting applies at once.
class CentralLink : public QObject, public MessageSender {
    Q_OBJECT
public:
    using Duration = std::chrono::milliseconds;
    static constexpr Duration defaultWait{20000};
    // Longest reply block kept: a peer that floods the link must not grow memory without bound.
    static constexpr qsizetype maxReplyBytes = 64 * 1024;
    static constexpr int linkCount = 3;
    // "Recibido:", before the message in the echo.
    static constexpr qsizetype replyPrefixBytes = 9;
    // Bytes of a wrong reply kept for its diagnostic line.
    static constexpr qsizetype firstBytesKept = 64;

    // The station addresses and ports it reads, and the two fields it shows a delivery in.
    struct View {
        const Control& IpQuarn;
        const Control& lblPuerto;
        const Control& IpQuarnA;
        const Control& lblPuertoA;
        const Control& IpQuarnB;
        const Control& lblPuertoB;
        Control& ESTADO;
        Control& Datos;
    };

    explicit CentralLink(View view, QObject* parent = nullptr);
    ~CentralLink() override;

    // Delivery on one link (1 primary, 2 secondary A, 3 secondary B).
    bool Envia(const QString& texto, int queWinsock);
    // Links 1, 2 and 3 in order, up to the first that acknowledges.
    bool EnviaConReserva(const QString& message) override;

    // The program is ending: a delivery in progress fails at once, and so does every later one, instead of
    // holding the shutdown for the rest of its waits.
    void abort();

    // The last block of data received on any link (blocks are never joined).
    const QString& UltimaRespuesta() const { return m_ultimaRespuesta; }
    // Why the last delivery attempt on any link failed, in the words of its diagnostic line.
    const QString& lastFailure() const { return m_lastFailure; }

    void setConnectWait(Duration d) { m_connectWait = d; }
    void setReplyWait(Duration d) { m_replyWait = d; }

    // Key FastFailover of CONFIG, off by default: when on, a connection the socket layer reports refused or
    // unreachable ends its connect wait at once and the delivery goes on to the next link, instead of
    // waiting out the whole connect wait first; and a connection the station closes or resets ends the
    // reply wait at once. In every mode a reply longer than the echo ends it as a wrong echo. Given once
    // start-up has read the settings.
    void setFastFailover(bool on) { m_fastFailover = on; }
    bool fastFailover() const { return m_fastFailover; }
    // The socket errors that say no connection can come of this attempt.
    static bool unreachable(QAbstractSocket::SocketError error);

    // Keys TlsMode, TlsModeA, TlsModeB and the files of CONFIG: each secured link connects over TLS and
    // is never tried in plain text; a failed handshake ends its attempt at once. Given once start-up has
    // read the settings.
    void setTls(const TlsSettings& settings);
    bool secured(int queWinsock) const { return m_tls && m_tls->secured(queWinsock); }
    // What the last handshake of a secured link showed ("TLS 1.3, CN=…, SHA-256 …, caduca el …"), and
    // when the station's certificate seen then expires; empty and invalid before one succeeded.
    QString tlsDetails(int queWinsock) const;
    QDateTime stationExpiry(int queWinsock) const;
    // Told, besides the link's category, when a certificate in use expires within 30 days (once a day).
    void setExpiryWarning(std::function<void(const QString&)> warn) { m_expiryWarning = std::move(warn); }

    // The state codes of a link's socket; the window shows their numbers.
    enum StateCode : int {
        Closed = 0,
        Open = 1,
        Listening = 2,
        Connecting = 6,
        Connected = 7,
        Closing = 8,
        Failed = 9,
        LastStateCode = 10,
    };
    // State code of a link's socket and its name.
    int estado(int queWinsock) const;
    QString nombreEstado(int queWinsock) const;

    static int stateCode(QAbstractSocket::SocketState state);
    // The description shown in ESTADO for a socket error.
    static QString errorText(QAbstractSocket::SocketError error, const QString& fallback);
    // Names of the state codes 0 to LastStateCode.
    static QStringList NombreEstado();

private:
    struct Link {
        QTcpSocket* socket = nullptr;
        bool closingOurselves = false;
        bool busy = false;
        // What the attempt in progress met, for its diagnostic line.
        std::optional<QAbstractSocket::SocketError> error;
        QString errorString;
        // A secured link's certificate errors, and why its handshake or session failed.
        QList<QSslError> sslErrors;
        QString tlsFailure;
        QString tlsDetails;
        QDateTime stationExpiry;
        bool peerClosed = false;
        QByteArray lastBlock;
        // The reply as a whole: its first bytes, how many came, and whether that passed the echo's length.
        QByteArray firstBytes;
        qsizetype received = 0;
        qsizetype longestEcho = maxReplyBytes;
        bool overlong = false;
    };

    QTcpSocket* makeSocket(int index, bool secured);
    QTcpSocket* socketOf(int queWinsock) const;
    // The handshake of a secured link ended: what it showed, or why the peer is not the station.
    QString afterHandshake(int queWinsock);
    // Why an attempt failed, in the words of the link's diagnostic line.
    QString failureReason(const Link& link, bool connected) const;
    void closeLink(int queWinsock);
    void onConnected(int index);
    void onReadyRead(int index);
    void onBytesWritten(int index);
    void onDisconnected(int index);
    void onError(int index, QAbstractSocket::SocketError error);

    View m_view;
    std::array<Link, linkCount> m_links;
    QString m_ultimaRespuesta;
    QString m_lastFailure;
    BoundedWait m_wait;
    Duration m_connectWait = defaultWait;
    Duration m_replyWait = defaultWait;
    bool m_aborted = false;
    bool m_fastFailover = false;
    std::unique_ptr<TlsLink> m_tls;
    std::function<void(const QString&)> m_expiryWarning;
    // Since when every delivery has failed (invalid while they succeed), for the recovery line.
    QElapsedTimer m_failingSince;
    int m_failedDeliveries = 0;
};
