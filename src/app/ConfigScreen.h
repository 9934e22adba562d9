#pragma once

#include "core/model/ConfigFields.h"

#include <QString>
#include <QStringList>

class Dialogs;

// The locked group of settings fields in the main window: the access code unlocks it, the same button
// then saves every field to vornnet.ini and locks it again.
class ConfigScreen {
public:
    // The code of the installation manual; key AccessCode of section CONFIG replaces it when not empty.
    static inline const QString defaultAccessCode = QStringLiteral("TUP3");

    // The fields the screen unlocks and saves, and its own.
    struct View {
        ConfigFields fields;
        Control& lblPass;
        Control& txtPass;
        Control& btnconfigurar;
    };

    ConfigScreen(QString iniPath, View view, Dialogs& dialogs);

    // One press of btnconfigurar.
    void btnconfigurarClick();

    // The access code in force, read at each use so that a changed vornnet.ini needs no restart.
    QString accessCode() const;
    // True when txtPass holds the access code (case-sensitive); shows the password field either way.
    bool askCode();

    // The window is hidden: a code typed and not used is not kept.
    void leave();

    // What start-up will make of the fields as typed, one Spanish line each; empty when all is as typed.
    QStringList notesBeforeSaving() const;

private:
    void unlock();
    void save();

    QString m_iniPath;
    View m_view;
    Dialogs& m_dialogs;
};
