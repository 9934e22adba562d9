#include "app/CheckLine.h"

QString CheckLine::text() const {
    static const char* const tags[] = {"OK   ", "AVISO", "FALLO"};
    QString line = QString::fromLatin1(tags[static_cast<int>(level)]) + QLatin1Char(' ') + what;
    if (!fix.isEmpty())
        line += QStringLiteral(": ") + fix;
    return line;
}
