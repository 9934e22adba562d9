#include "forwarding/TlsFiles.h"

#include "core/settings/ConfigKeys.h"

#include <QDir>
#include <QRegularExpression>

using ConfigRules::TlsMode;

TlsFiles::TlsFiles(const TlsSettings& settings)
    : m_caFile(settings.caFile), m_certFile(settings.certFile), m_keyFile(settings.keyFile),
      m_pskFile(settings.pskFile) {
}

QSslKey TlsFiles::keyOf(const QByteArray& pem) {
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec}) {
        QSslKey key(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            return key;
    }
    return {};
}

QByteArray TlsFiles::pskOf(const QByteArray& content) {
    const QByteArray line = content.trimmed().split('\n').value(0).trimmed();
    const QByteArray hex = line.mid(line.lastIndexOf(':') + 1).trimmed();
    static const QRegularExpression digits(QStringLiteral("^([0-9A-Fa-f]{2})+$"));
    return digits.match(QString::fromLatin1(hex)).hasMatch() ? QByteArray::fromHex(hex) : QByteArray();
}

QString TlsFiles::read(WatchedFile& file, const char* key) {
    const QByteArray before = file.content();
    if (file.refresh() && file.content() != before)
        ++m_generation;
    if (file.error().isEmpty())
        return {};
    return QStringLiteral("TLS: %1 %2: %3")
        .arg(QString::fromLatin1(key), QDir::toNativeSeparators(file.path()), file.error());
}

QString TlsFiles::refresh(TlsMode mode) {
    const auto failure = [](const char* key, const WatchedFile& file, const char* why) {
        return QStringLiteral("TLS: %1 %2: %3")
            .arg(QString::fromLatin1(key), QDir::toNativeSeparators(file.path()), QString::fromUtf8(why));
    };
    if (mode == TlsMode::Psk) {
        if (QString why = read(m_pskFile, ConfigKeys::TlsPskFile); !why.isEmpty())
            return why;
        m_psk = pskOf(m_pskFile.content());
        if (m_psk.isEmpty())
            return failure(ConfigKeys::TlsPskFile, m_pskFile, "no es una clave en hexadecimal");
        if (m_psk.size() < minPskBytes)
            return failure(ConfigKeys::TlsPskFile, m_pskFile, "clave de menos de 16 bytes");
        return {};
    }
    if (!m_caFile.path().isEmpty()) {
        if (QString why = read(m_caFile, ConfigKeys::TlsCaFile); !why.isEmpty())
            return why;
        m_trusted = QSslCertificate::fromData(m_caFile.content(), QSsl::Pem);
        if (m_trusted.isEmpty())
            return failure(ConfigKeys::TlsCaFile, m_caFile, "sin certificados PEM");
    }
    if (!m_certFile.path().isEmpty()) {
        if (QString why = read(m_certFile, ConfigKeys::TlsCertFile); !why.isEmpty())
            return why;
        m_certificate = QSslCertificate::fromData(m_certFile.content(), QSsl::Pem).value(0);
        if (m_certificate.isNull())
            return failure(ConfigKeys::TlsCertFile, m_certFile, "sin certificado PEM");
        if (QString why = read(m_keyFile, ConfigKeys::TlsKeyFile); !why.isEmpty())
            return why;
        m_key = keyOf(m_keyFile.content());
        if (m_key.isNull())
            return failure(ConfigKeys::TlsKeyFile, m_keyFile, "no es una clave privada PEM sin contraseña");
    }
    return {};
}
