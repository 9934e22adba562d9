#pragma once

#include "core/runtime/BoundedWait.h"
#include "support/FileText.h"

#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>

// Certificates and keys made at run time with the openssl command, in a folder of the test's own: no
// private key is kept in the repository. EC keys, so that making one costs milliseconds.
class TestCertificates {
public:
    struct Made {
        QString cert;
        QString key;
        bool ok = false;
    };

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A self-signed certificate named `name` (its common name, and the alternative names `san`, e.g.
    // "IP:127.0.0.1,DNS:central"), valid for `days` from `start`: a text `date -d` reads ("400 days
    // ago"), or empty for now. A start in the past is made under faketime, the one process's own clock.
    Made make(const QString& name, int days = 365, const QString& san = QStringLiteral("IP:127.0.0.1"),
              const QString& start = {}) {
        Made m{path(name + QStringLiteral(".crt")), path(name + QStringLiteral(".key"))};
        const QStringList args =
            QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes").split(' ') +
            QStringList{QStringLiteral("-keyout"), m.key,
                        QStringLiteral("-out"),    m.cert,
                        QStringLiteral("-days"),   QString::number(days),
                        QStringLiteral("-subj"),   QStringLiteral("/CN=") + name,
                        QStringLiteral("-addext"), QStringLiteral("subjectAltName=") + san};
        m.ok = start.isEmpty()
                   ? run(QStringLiteral("openssl"), args)
                   : run(QStringLiteral("faketime"), QStringList{start, QStringLiteral("openssl")} + args);
        return m;
    }

    // The SHA-256 fingerprint as openssl prints it ("AB:CD:…").
    static QString fingerprint(const QString& certFile) {
        const QSslCertificate c(readFile(certFile), QSsl::Pem);
        return QString::fromLatin1(c.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
    }

    // A program run to its end (bounded); true when it ended with status 0.
    static bool run(const QString& program, const QStringList& args) {
        QProcess p;
        BoundedWait wait;
        QObject::connect(&p, &QProcess::finished, &wait, &BoundedWait::wake);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        wait.until([&] { return p.state() == QProcess::NotRunning; }, std::chrono::seconds(20));
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(1000);
            return false;
        }
        const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (!ok)
            qWarning("%s: %s", qPrintable(program), p.readAll().constData());
        return ok;
    }

private:
    QTemporaryDir m_dir;
};
