#include "core/Dialogs.h"

#include <cstdio>

void UnattendedDialogs::message(Icon, const QString& title, const QString& text) {
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1String(" | "));
    const QString line = title + QStringLiteral(": ") + flat;
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
    if (m_writeLine)
        m_writeLine(line);
}
