#pragma once

#include "core/runtime/BoundedWait.h"
#include "support/FileText.h"
#include "support/Poll.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

// A stunnel4 process of the test's own: a TLS terminator on 127.0.0.1 in front of a plain port, as an
// integrator puts one before the central station. Ready once its port accepts; terminated (only this one)
// when the object goes.
class Stunnel {
public:
    ~Stunnel() { stop(); }

    // Accepts TLS on a free port and passes the bytes to 127.0.0.1:target; `service` holds the
    // service's own lines (cert, key, CAfile, verifyChain, ciphers, PSKsecrets, …). False when it did not
    // come up within a few seconds; its log then says why.
    bool start(quint16 target, const QStringList& service) {
        stop();
        if (!port) {
            QTcpServer probe; // a port free now; stunnel takes it a moment later
            probe.listen(QHostAddress::LocalHost, 0);
            port = probe.serverPort();
        }
        const QString conf = path(QStringLiteral("stunnel.conf"));
        if (!replaceFile(conf,
                         QStringLiteral("foreground = yes\npid =\nsyslog = no\ndebug = info\noutput = %1\n"
                                        "[central]\naccept = 127.0.0.1:%2\nconnect = 127.0.0.1:%3\n%4\n")
                             .arg(logPath())
                             .arg(port)
                             .arg(target)
                             .arg(service.join(QLatin1Char('\n')))
                             .toUtf8()))
            return false;
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("stunnel4"), {conf});
        // Its port accepting is the only sign of readiness it gives.
        return pollUntil(
                   [&] {
                       if (m_process.state() == QProcess::NotRunning)
                           return true;
                       QTcpSocket probe;
                       BoundedWait wait;
                       QObject::connect(&probe, &QTcpSocket::stateChanged, &wait, &BoundedWait::wake);
                       probe.connectToHost(QHostAddress::LocalHost, port);
                       wait.until(
                           [&] {
                               return probe.state() != QAbstractSocket::ConnectingState &&
                                      probe.state() != QAbstractSocket::HostLookupState;
                           },
                           std::chrono::milliseconds(500));
                       return probe.state() == QAbstractSocket::ConnectedState;
                   },
                   std::chrono::seconds(5), std::chrono::milliseconds(20)) &&
               m_process.state() == QProcess::Running;
    }
    void stop() { endProcess(m_process); }
    QString logPath() const { return m_dir.filePath(QStringLiteral("stunnel.log")); }
    QByteArray log() const { return readFile(logPath()); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    quint16 port = 0;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
