#include "forwarding/UltCodFile.h"

#include "core/AgentError.h"
#include "core/Files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <cctype>

UltCodFile::UltCodFile(QString programFolder, Kind kind, const QString& plant)
    : m_path(fileInFolder(programFolder, fileName(kind, plant))), m_kind(kind) {
}

QString UltCodFile::fileName(Kind kind, const QString& plant) {
    QString safe = plant;
    for (QChar& c : safe)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QChar(0))
            c = QLatin1Char('_');
    const QString prefix =
        kind == Kind::Alarms ? QStringLiteral("VornNetUltCod_") : QStringLiteral("VornNetUltCodBuffer_");
    const QString suffix = QStringLiteral(".ini");
    const qsizetype room = maxNameBytes - temporaryExtraBytes;
    const QString whole = prefix + safe + suffix;
    if (whole.toUtf8().size() <= room)
        return whole;

    // Too long to be created: cut between characters, and tell names that begin alike apart by a short
    // hash of the whole plant name, so each plant keeps a file of its own.
    const QString tag =
        QLatin1Char('~') +
        QString::fromLatin1(
            QCryptographicHash::hash(plant.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    const qsizetype budget = room - prefix.toUtf8().size() - suffix.size() - tag.size();
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < safe.size()) {
        const qsizetype width = safe[end].isHighSurrogate() && end + 1 < safe.size() ? 2 : 1;
        const qsizetype size = safe.mid(end, width).toUtf8().size();
        if (bytes + size > budget)
            break;
        bytes += size;
        end += width;
    }
    return prefix + safe.left(end) + tag + suffix;
}

QString UltCodFile::oldFileName(Kind kind) {
    return kind == Kind::Alarms ? QStringLiteral("vornnetultcod.ini")
                                : QStringLiteral("vornnetultcodbuffer.ini");
}

QByteArray UltCodFile::content(qint64 id) {
    return (id < 0 ? QByteArray::number(id) : QByteArray(" ") + QByteArray::number(id)) + "\r\n";
}

std::optional<qint64> UltCodFile::parse(const QByteArray& text) {
    // UTF-16, as Notepad saves "Unicode", is read as the text it stands for.
    QByteArray bytes = text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringDecoder::Utf16);
        bytes = QString(utf16(bytes)).toUtf8();
    }
    // Blanks, NULs, no-break spaces (UTF-8 or single-byte) and UTF-8 byte-order marks before the number
    // are what editors and copies leave; anything else before it means the file is not a position, and
    // guessing would skip or resend alarms. What follows the number does not matter.
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    for (;;) {
        if (i < n && (std::isspace(static_cast<unsigned char>(bytes[i])) || bytes[i] == '\0' ||
                      static_cast<unsigned char>(bytes[i]) == 0xA0))
            ++i;
        else if (bytes.mid(i, 2) == "\xC2\xA0")
            i += 2;
        else if (bytes.mid(i, 3) == "\xEF\xBB\xBF")
            i += 3;
        else
            break;
    }
    const qsizetype start = i;
    if (i < n && (bytes[i] == '-' || bytes[i] == '+'))
        ++i;
    const qsizetype digits = i;
    while (i < n && bytes[i] >= '0' && bytes[i] <= '9')
        ++i;
    if (i == digits)
        return std::nullopt;
    bool ok = false;
    const qint64 v = bytes.mid(start, i - start).toLongLong(&ok);
    // Beyond 64 bits is no position either.
    return ok ? std::optional<qint64>(v) : std::nullopt;
}

bool UltCodFile::exists() const {
    return ExisteFichero(m_path);
}

QString UltCodFile::noNumberText(const QString& path) {
    return QStringLiteral("El fichero de posición %1 no contiene un número válido")
        .arg(QDir::toNativeSeparators(path));
}

std::optional<qint64> UltCodFile::read() const {
    QFile f(m_path);
    if (!f.exists())
        return std::nullopt;
    if (!f.open(QIODevice::ReadOnly))
        throw AgentError(AgentError::CommandFailed, QStringLiteral("No se puede leer %1").arg(m_path));
    const auto id = parse(f.read(maxBytesRead));
    if (!id)
        throw AgentError(AgentError::Conversion, noNumberText(m_path));
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
