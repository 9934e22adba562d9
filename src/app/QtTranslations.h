#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

// Qt's own texts (the buttons of message boxes, the standard dialogs) in Spanish, as the window is: Qt's
// translation qtbase_es, from Debian's qt6-translations-l10n.
class QtTranslations {
public:
    // Qt's translations folder (/usr/share/qt6/translations on Debian).
    static QString defaultFolder();
    // Loads qtbase_es from folder into the application, which owns it. Null when the file is not there or
    // not readable, told on standard error when told is true: the boxes then keep Qt's English "OK".
    static QTranslator* installSpanish(QCoreApplication& app, const QString& folder = defaultFolder(),
                                       bool told = true);
};
