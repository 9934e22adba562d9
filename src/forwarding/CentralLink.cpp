#include "forwarding/CentralLink.h"

#include "core/model/Control.h"
#include "core/runtime/Diagnostics.h"
#include "core/runtime/EventLog.h"
#include "core/settings/ConfigRules.h"
#include "core/text/Windows1252.h"
#include "forwarding/MessageFormat.h"
#include "forwarding/TlsReasons.h"

#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QSslSocket>
#include <QTcpSocket>
#include <algorithm>
#include <limits>

namespace {

struct Endpoint {
    const Control& address;
    const Control& port;
};

Endpoint endpointOf(const CentralLink::View& view, int queWinsock) {
    switch (queWinsock) {
    case 2:
        return {view.IpQuarnA, view.lblPuertoA};
    case 3:
        return {view.IpQuarnB, view.lblPuertoB};
    default:
        return {view.IpQuarn, view.lblPuerto};
    }
}

} // namespace

CentralLink::CentralLink(View view, QObject* parent) : QObject(parent), m_view(view) {
    for (int i = 0; i < linkCount; ++i)
        m_links[i].socket = makeSocket(i + 1, false);
}

QTcpSocket* CentralLink::makeSocket(int index, bool secured) {
    QTcpSocket* s = nullptr;
    if (secured) {
        auto* ssl = new QSslSocket(this);
        m_tls->attach(*ssl);
        connect(ssl, &QSslSocket::sslErrors, this,
                [this, index](const QList<QSslError>& errors) { m_links[index - 1].sslErrors = errors; });
        connect(ssl, &QSslSocket::encrypted, &m_wait, &BoundedWait::wake);
        s = ssl;
    } else {
        s = new QTcpSocket(this);
    }
    // Qt buffers no more than this before we read it, so a flood never piles up in memory.
    s->setReadBufferSize(maxReplyBytes);
    connect(s, &QTcpSocket::connected, this, [this, index] { onConnected(index); });
    connect(s, &QTcpSocket::readyRead, this, [this, index] { onReadyRead(index); });
    connect(s, &QTcpSocket::bytesWritten, this, [this, index] { onBytesWritten(index); });
    connect(s, &QTcpSocket::disconnected, this, [this, index] { onDisconnected(index); });
    connect(s, &QTcpSocket::errorOccurred, this,
            [this, index](QAbstractSocket::SocketError e) { onError(index, e); });
    // The waits sleep until one of these happens: nothing else can change what they wait for.
    connect(s, &QTcpSocket::stateChanged, &m_wait, &BoundedWait::wake);
    connect(s, &QTcpSocket::readyRead, &m_wait, &BoundedWait::wake);
    connect(s, &QTcpSocket::errorOccurred, &m_wait, &BoundedWait::wake);
    return s;
}

void CentralLink::setTls(const TlsSettings& settings) {
    m_tls = std::make_unique<TlsLink>(settings);
    for (int i = 0; i < linkCount; ++i) {
        Link& link = m_links[i];
        link.closingOurselves = true;
        link.socket->abort();
        link.socket->deleteLater();
        link.socket = makeSocket(i + 1, m_tls->secured(i + 1));
        link.closingOurselves = false;
    }
}

QString CentralLink::tlsDetails(int queWinsock) const {
    return m_links[std::clamp(queWinsock, 1, linkCount) - 1].tlsDetails;
}

QDateTime CentralLink::stationExpiry(int queWinsock) const {
    return m_links[std::clamp(queWinsock, 1, linkCount) - 1].stationExpiry;
}

QString CentralLink::afterHandshake(int queWinsock) {
    Link& link = m_links[queWinsock - 1];
    auto* ssl = static_cast<QSslSocket*>(link.socket);
    if (QString why = m_tls->judge(*ssl, queWinsock); !why.isEmpty())
        return why;
    link.tlsDetails = m_tls->details(*ssl);
    if (const QSslCertificate peer = ssl->peerCertificate(); !peer.isNull())
        link.stationExpiry = peer.expiryDate();
    for (const QString& warning : m_tls->expiryWarnings(*ssl, queWinsock)) {
        qCWarning(lcLink).noquote() << warning;
        if (m_expiryWarning)
            m_expiryWarning(warning);
    }
    return {};
}

CentralLink::~CentralLink() {
    for (Link& link : m_links) {
        link.closingOurselves = true;
        link.socket->abort();
    }
}

QTcpSocket* CentralLink::socketOf(int queWinsock) const {
    return m_links[queWinsock - 1].socket;
}

void CentralLink::closeLink(int queWinsock) {
    Link& link = m_links[queWinsock - 1];
    // Our own close is not the peer's: it must not show "Conexión cerrada".
    link.closingOurselves = true;
    link.socket->abort();
    link.closingOurselves = false;
}

bool CentralLink::Envia(const QString& texto, int queWinsock) {
    if (queWinsock < 1 || queWinsock > linkCount || m_aborted)
        return false;
    Link& link = m_links[queWinsock - 1];
    // A timer running inside a wait may deliver again; two messages interleaved on one socket would
    // both be lost, so the nested delivery on a busy link fails at once instead.
    if (link.busy)
        return false;

    const Endpoint ep = endpointOf(m_view, queWinsock);
    const QString address = ep.address.text();
    if (queWinsock != 1 && address.isEmpty())
        return false;
    const quint16 port = ConfigRules::port(ep.port.text());

    link.busy = true;
    link.error.reset();
    link.errorString.clear();
    link.peerClosed = false;
    link.lastBlock.clear();
    link.firstBytes.clear();
    link.received = 0;
    link.longestEcho = maxReplyBytes;
    link.overlong = false;
    // An exception from a handler inside a wait must not leave the link busy for good.
    const auto idle = qScopeGuard([&link] { link.busy = false; });
    link.sslErrors.clear();
    link.tlsFailure.clear();
    link.tlsDetails.clear();
    m_ultimaRespuesta.clear();
    m_view.Datos.setText(EventLog::logBody(texto));
    const QDeadlineTimer connectDeadline(m_connectWait);
    QTcpSocket* s = link.socket;
    if (s->state() != QAbstractSocket::UnconnectedState)
        closeLink(queWinsock);
    m_view.ESTADO.setText(QStringLiteral("Conectando..."));
    // A secured link connects only encrypted: a setting or a file it can not use fails it unsent.
    const bool secured = this->secured(queWinsock);
    auto* ssl = secured ? static_cast<QSslSocket*>(s) : nullptr;
    if (secured)
        link.tlsFailure = m_tls->prepare(*ssl, queWinsock, address, port);
    if (!secured)
        s->connectToHost(address, port);
    else if (link.tlsFailure.isEmpty())
        ssl->connectToHostEncrypted(address, port, m_tls->settings().peerName(address));

    // By default an error does not end this wait early: a refused connection costs the whole wait. The
    // handshake counts within it, and its failure ends it at once.
    const auto ready = [s, ssl] {
        return s->state() == QAbstractSocket::ConnectedState && (!ssl || ssl->isEncrypted());
    };
    m_wait.until(
        [this, &link, &ready] {
            return m_aborted || ready() || !link.tlsFailure.isEmpty() ||
                   (m_fastFailover && link.error && unreachable(*link.error));
        },
        Duration(std::max<qint64>(0, connectDeadline.remainingTime())));
    if (secured && link.tlsFailure.isEmpty() && !m_aborted) {
        if (ready())
            link.tlsFailure = afterHandshake(queWinsock);
        else if (s->state() == QAbstractSocket::ConnectedState)
            link.tlsFailure = TlsReasons::noHandshake(m_connectWait);
    }

    bool delivered = false;
    const bool connected = !m_aborted && ready() && link.tlsFailure.isEmpty();
    if (connected) {
        const QByteArray wire = Windows1252::encode(texto);
        // The echo is of the bytes sent: a character the code page lacks went as "?" and comes back so.
        const QString expected = MessageFormat::expectedReply(Windows1252::decode(wire));
        // Everything the station sends counts against the echo's length: past it no block can be the echo.
        link.longestEcho = replyPrefixBytes + wire.size();
        s->write(wire);
        // A station that hangs up can send nothing more; with fast failover that ends the wait.
        m_wait.until(
            [this, &expected, &link] {
                return m_aborted || link.overlong || m_ultimaRespuesta == expected ||
                       !link.tlsFailure.isEmpty() || (fastFailover() && (link.peerClosed || link.error));
            },
            m_replyWait);
        delivered = !link.overlong && m_ultimaRespuesta == expected;
        if (delivered) {
            m_view.ESTADO.setText(QString());
            m_view.Datos.setText(QString());
            if (ssl)
                m_tls->keep(*ssl, queWinsock);
        }
        closeLink(queWinsock);
    } else {
        closeLink(queWinsock);
        m_view.ESTADO.setText(QStringLiteral("No se pudo conectar"));
    }
    // A shutdown cutting the attempt short is no fault of the link.
    m_lastFailure = delivered ? QString() : failureReason(link, connected);
    if (!delivered && !m_aborted)
        qCWarning(lcLink).noquote() << QStringLiteral("enlace %1 %2:%3: %4")
                                           .arg(queWinsock)
                                           .arg(address)
                                           .arg(port)
                                           .arg(m_lastFailure);
    return delivered;
}

QString CentralLink::failureReason(const Link& link, bool connected) const {
    if (!link.tlsFailure.isEmpty())
        return link.tlsFailure;
    if (!connected) {
        if (!link.error)
            return QStringLiteral("sin conexión en %1 ms").arg(m_connectWait.count());
        if (*link.error == QAbstractSocket::ConnectionRefusedError)
            return QStringLiteral("conexión rechazada");
        return QStringLiteral("inalcanzable (") + link.errorString + QLatin1Char(')');
    }
    if (link.overlong)
        return QStringLiteral("eco erróneo, más largo que el eco (%1 bytes), primeros bytes: ")
                   .arg(link.longestEcho) +
               Diagnostics::quoted(link.firstBytes);
    if (link.received > 0)
        return QStringLiteral("eco erróneo, primeros bytes: ") + Diagnostics::quoted(link.firstBytes);
    if (link.peerClosed)
        return QStringLiteral("cerrada sin respuesta");
    if (link.error)
        return QStringLiteral("sin respuesta: ") + link.errorString;
    return QStringLiteral("sin eco en %1 ms").arg(m_replyWait.count());
}

void CentralLink::abort() {
    m_aborted = true;
    m_wait.wake();
}

bool CentralLink::EnviaConReserva(const QString& message) {
    int on = 1;
    bool delivered = Envia(message, on);
    while (!delivered && on < linkCount)
        delivered = Envia(message, ++on);
    if (!delivered) {
        if (!m_failingSince.isValid())
            m_failingSince.start();
        ++m_failedDeliveries;
    } else if (m_failingSince.isValid()) {
        qCInfo(lcLink).noquote() << QStringLiteral(
                                        "envíos recuperados en el enlace %1 tras %2 s de fallo (%3 fallidos)")
                                        .arg(on)
                                        .arg(static_cast<double>(m_failingSince.elapsed()) / 1000.0, 0, 'f',
                                             1)
                                        .arg(m_failedDeliveries);
        m_failingSince.invalidate();
        m_failedDeliveries = 0;
    }
    return delivered;
}

void CentralLink::onConnected(int) {
    m_view.ESTADO.setText(QStringLiteral("Conectado"));
}

void CentralLink::onReadyRead(int index) {
    Link& link = m_links[index - 1];
    QTcpSocket* s = socketOf(index);
    if (link.overlong)
        return;
    // What has arrived, not a whole maximum's worth of buffer at every block.
    const QByteArray block = s->read(std::min<qint64>(s->bytesAvailable(), maxReplyBytes));
    s->skip(s->bytesAvailable());
    link.received += block.size();
    if (link.firstBytes.size() < firstBytesKept)
        link.firstBytes += block.left(firstBytesKept - link.firstBytes.size());
    link.lastBlock = block;
    m_ultimaRespuesta = Windows1252::decode(block);
    m_view.ESTADO.setText(m_ultimaRespuesta);
    if (link.received > link.longestEcho) {
        // More than the echo can be: a wrong echo now, and the rest of a flood is not read.
        link.overlong = true;
        closeLink(index);
    }
}

void CentralLink::onBytesWritten(int index) {
    m_view.ESTADO.setText(QStringLiteral("Enviado Winsock:") + QString::number(index));
}

void CentralLink::onDisconnected(int index) {
    if (!m_links[index - 1].closingOurselves) {
        m_links[index - 1].peerClosed = true;
        auto* ssl = secured(index) ? static_cast<QSslSocket*>(m_links[index - 1].socket) : nullptr;
        if (ssl && !ssl->isEncrypted() && m_links[index - 1].tlsFailure.isEmpty())
            m_links[index - 1].tlsFailure = TlsReasons::ofHandshakeText(QStringLiteral("connection closed"));
        m_view.ESTADO.setText(QStringLiteral("Conexión cerrada"));
    }
}

bool CentralLink::unreachable(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::NetworkError: // no route to the host or its network
        return true;
    default:
        return false;
    }
}

void CentralLink::onError(int index, QAbstractSocket::SocketError error) {
    Link& link = m_links[index - 1];
    if (link.closingOurselves)
        return;
    // The station closing its end is its normal way of hanging up, not a fault of the link.
    if (error == QAbstractSocket::RemoteHostClosedError) {
        link.peerClosed = true;
        auto* ssl = secured(index) ? static_cast<QSslSocket*>(link.socket) : nullptr;
        if (ssl && !ssl->isEncrypted())
            link.tlsFailure = TlsReasons::ofHandshakeText(QStringLiteral("connection closed"));
        m_view.ESTADO.setText(QStringLiteral("Conexión cerrada"));
        return;
    }
    link.error = error;
    link.errorString = socketOf(index)->errorString();
    // On a secured link every fault of the TLS layer ends the attempt: nothing more can come of it.
    if (secured(index) &&
        (!link.sslErrors.isEmpty() || error == QAbstractSocket::SslHandshakeFailedError ||
         error == QAbstractSocket::SslInternalError || error == QAbstractSocket::SslInvalidUserDataError))
        link.tlsFailure =
            TlsLink::failure(link.sslErrors, link.errorString,
                             m_tls->settings().peerName(endpointOf(m_view, index).address.text()));
    // The backend could not set the connection up from the files (its words vary and may be translated,
    // so none was recognised): with the agent's own certificate, most likely a key that is not its.
    if (secured(index) && error == QAbstractSocket::SslInternalError && link.sslErrors.isEmpty() &&
        !m_tls->settings().certFile.isEmpty() &&
        link.tlsFailure == TlsReasons::ofHandshakeText(link.errorString) &&
        link.tlsFailure.startsWith(QLatin1String("TLS: saludo rechazado")))
        link.tlsFailure = TlsReasons::ofHandshakeText(QStringLiteral("key values mismatch"));
    m_view.ESTADO.setText(errorText(error, link.errorString));
    closeLink(index);
}

QString CentralLink::errorText(QAbstractSocket::SocketError error, const QString& fallback) {
    // The window speaks Spanish; the socket layer's own texts are kept for the rarer faults.
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("Conexión rechazada");
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("No se encuentra el servidor");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("Tiempo de espera agotado");
    case QAbstractSocket::NetworkError:
        return QStringLiteral("Error de red");
    default:
        return fallback;
    }
}

int CentralLink::estado(int queWinsock) const {
    if (queWinsock < 1 || queWinsock > linkCount)
        return 0;
    return stateCode(socketOf(queWinsock)->state());
}

QString CentralLink::nombreEstado(int queWinsock) const {
    return NombreEstado().value(estado(queWinsock));
}

int CentralLink::stateCode(QAbstractSocket::SocketState state) {
    switch (state) {
    case QAbstractSocket::UnconnectedState:
        return Closed;
    case QAbstractSocket::BoundState:
        return Open;
    case QAbstractSocket::ListeningState:
        return Listening;
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        return Connecting;
    case QAbstractSocket::ConnectedState:
        return Connected;
    case QAbstractSocket::ClosingState:
        return Closing;
    }
    return Failed;
}

QStringList CentralLink::NombreEstado() {
    QStringList names;
    for (int i = 0; i <= LastStateCode; ++i)
        names << QString::number(i);
    names[Closed] = QStringLiteral("Desconectado");
    names[Connecting] = QStringLiteral("Conectando...");
    names[Connected] = QStringLiteral("Conectado");
    return names;
}
