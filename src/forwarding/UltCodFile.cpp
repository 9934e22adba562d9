#include "forwarding/UltCodFile.h"

#include "core/AgentError.h"
#include "core/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

UltCodFile::UltCodFile(QString programFolder, Kind kind, const QString& plant)
    : m_path(fileInFolder(programFolder, fileName(kind, plant))), m_kind(kind) {
}

QString UltCodFile::fileName(Kind kind, const QString& plant) {
    QString safe = plant;
    for (QChar& c : safe)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QChar(0))
            c = QLatin1Char('_');
    return (kind == Kind::Alarms ? QStringLiteral("VornNetUltCod_")
                                 : QStringLiteral("VornNetUltCodBuffer_")) +
           safe + QStringLiteral(".ini");
}

QString UltCodFile::oldFileName(Kind kind) {
    return kind == Kind::Alarms ? QStringLiteral("vornnetultcod.ini")
                                : QStringLiteral("vornnetultcodbuffer.ini");
}

QByteArray UltCodFile::content(qint64 id) {
    return (id < 0 ? QByteArray::number(id) : QByteArray(" ") + QByteArray::number(id)) + "\r\n";
}

std::optional<qint64> UltCodFile::parse(const QByteArray& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*([-+]?\\d+)"));
    const QRegularExpressionMatch m = number.match(QString::fromLatin1(text));
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 v = m.captured(1).toLongLong(&ok);
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

bool UltCodFile::exists() const {
    return ExisteFichero(m_path);
}

QString UltCodFile::readText() const {
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readLine()).trimmed();
}

std::optional<qint64> UltCodFile::read() const {
    QFile f(m_path);
    if (!f.exists())
        return std::nullopt;
    if (!f.open(QIODevice::ReadOnly))
        throw AgentError(AgentError::CommandFailed, QStringLiteral("No se puede leer %1").arg(m_path));
    const auto id = parse(f.read(256));
    if (!id)
        throw AgentError(AgentError::Conversion, QStringLiteral("%1 no contiene un número").arg(m_path));
    return id;
}

bool UltCodFile::write(qint64 id) const {
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(content(id));
    return f.commit();
}

void UltCodFile::adoptOldFile(const QString& programFolder) const {
    const QString old = fileInFolder(programFolder, oldFileName(m_kind));
    if (!ExisteFichero(old))
        return;
    if (QFileInfo::exists(m_path) || !QFile::rename(old, m_path))
        throw AgentError(
            AgentError::CommandFailed,
            QStringLiteral("No se puede renombrar %1 a %2").arg(old, QFileInfo(m_path).fileName()));
}
