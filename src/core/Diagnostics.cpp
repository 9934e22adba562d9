#include "core/Diagnostics.h"

#include <cstdio>

Q_LOGGING_CATEGORY(lcAgent, "vornnet.agent", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDb, "vornnet.db", QtInfoMsg)
Q_LOGGING_CATEGORY(lcBuffer, "vornnet.buffer", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLink, "vornnet.link", QtInfoMsg)
Q_LOGGING_CATEGORY(lcScan, "vornnet.scan", QtInfoMsg)

namespace Diagnostics {

namespace {

void toStderr(QtMsgType, const QMessageLogContext& context, const QString& message) {
    QString flat = message;
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const char* category = context.category ? context.category : "default";
    std::fprintf(stderr, "%s: %s\n", category, flat.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

void toStandardError() {
    qInstallMessageHandler(toStderr);
}

QString quoted(const QByteArray& bytes, qsizetype maxBytes) {
    QString text = QStringLiteral("\"");
    for (const char c : bytes.left(maxBytes)) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && c != '"' && c != '\\')
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
