#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>

namespace {
Q_LOGGING_CATEGORY(lcTranslations, "vornnet.core")
}

QString QtTranslations::defaultFolder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QTranslator* QtTranslations::installSpanish(QCoreApplication& app, const QString& folder, bool told) {
    auto* translator = new QTranslator(&app);
    // The window speaks Spanish whatever the host's locale.
    if (!translator->load(QLocale(QLocale::Spanish, QLocale::Spain), QStringLiteral("qtbase"),
                          QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        if (told)
            qCWarning(
                lcTranslations,
                "No se encuentra qtbase_es.qm en %s (paquete qt6-translations-l10n): los botones de los "
                "mensajes saldrán en inglés",
                qPrintable(QDir::toNativeSeparators(folder)));
        delete translator;
        return nullptr;
    }
    return translator;
}
