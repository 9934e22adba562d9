#include "core/runtime/Diagnostics.h"

#include "core/runtime/AgentError.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <cstdio>

Q_LOGGING_CATEGORY(lcAgent, "vornnet.agent", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDb, "vornnet.db", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBuffer, "vornnet.buffer", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLink, "vornnet.link", QtInfoMsg)
Q_LOGGING_CATEGORY(lcScan, "vornnet.scan", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLog, "vornnet.log", QtInfoMsg)

namespace Diagnostics {

namespace {

struct DiagnosticFile {
    QByteArray path;
    qint64 maxBytes = 0;
    std::FILE* file = nullptr;
};

DiagnosticFile& diagnosticFile() {
    static DiagnosticFile f;
    return f;
}

void toFile(const QByteArray& line) {
    DiagnosticFile& d = diagnosticFile();
    if (d.path.isEmpty())
        return;
    if (!d.file)
        d.file = std::fopen(d.path.constData(), "ae");
    if (!d.file)
        return;
    const QByteArray stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")).toLatin1();
    std::fputs((stamp + line).constData(), d.file);
    std::fflush(d.file);
    if (std::ftell(d.file) > d.maxBytes) {
        std::fclose(d.file);
        d.file = nullptr;
        std::rename(d.path.constData(), (d.path + ".1").constData());
    }
}

void toStderr(QtMsgType, const QMessageLogContext& context, const QString& message) {
    QString flat = message;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const char* category = context.category ? context.category : "default";
    const QByteArray line = QByteArray(category) + ": " + flat.toLocal8Bit() + '\n';
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    toFile(line);
}

} // namespace

void toStandardError() {
    qInstallMessageHandler(toStderr);
}

void alsoToFile(const QString& path, qint64 maxBytes) {
    DiagnosticFile& d = diagnosticFile();
    d.path = QFile::encodeName(path);
    d.maxBytes = maxBytes;
    qInstallMessageHandler(toStderr);
}

bool handled(const char* where, const std::function<void()>& handler) {
    // One thread: the last text told for each handler.
    static QHash<QByteArray, QString> told;
    QString why;
    try {
        handler();
        told.remove(where);
        return true;
    } catch (const AgentError& e) {
        why = e.description();
    } catch (const std::exception& e) {
        why = QString::fromLocal8Bit(e.what());
    }
    QString& last = told[where];
    if (last != why)
        qCWarning(lcAgent).noquote() << QStringLiteral("%1: %2").arg(QLatin1String(where), why);
    last = why;
    return false;
}

QString quoted(const QByteArray& bytes, qsizetype maxBytes) {
    QString text = QStringLiteral("\"");
    for (const char c : bytes.left(maxBytes)) {
        const auto u = static_cast<unsigned char>(c);
        constexpr unsigned char asciiDelete = 0x7F;
        if (u >= 0x20 && u < asciiDelete && c != '"' && c != '\\')
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
    }
    text += QLatin1Char('"');
    if (bytes.size() > maxBytes)
        text += QStringLiteral("...");
    return text;
}

} // namespace Diagnostics
