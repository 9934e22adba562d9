#include "core/model/Dialogs.h"

#include <cstdio>

void UnattendedDialogs::message(Icon, const QString& title, const QString& text) {
    QString flat = text;
    flat.replace(QLatin1Char('\n'), QLatin1String(" | "));
    std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), flat.toLocal8Bit().constData());
    std::fflush(stderr);
}
