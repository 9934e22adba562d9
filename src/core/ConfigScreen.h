#pragma once

#include <QString>
#include <QStringList>

class Dialogs;
class Form1State;

// The locked group of settings fields in the main window: the access code unlocks it, the same button
// then saves every field to vornnet.ini and locks it again.
class ConfigScreen {
public:
    // The code of the installation manual; key AccessCode of section CONFIG replaces it when not empty.
    static inline const QString defaultAccessCode = QStringLiteral("TUP3");

    ConfigScreen(QString iniPath, Form1State& form, Dialogs& dialogs);

    // One press of btnconfigurar.
    void btnconfigurarClick();

    // The access code in force, read at each use so that a changed vornnet.ini needs no restart.
    QString accessCode() const;
    // True when txtPass holds the access code (case-sensitive); shows the password field either way.
    bool askCode();

    // What start-up will make of the fields as typed, one Spanish line each; empty when all is as typed.
    QStringList notesBeforeSaving() const;

private:
    void unlock();
    void save();

    QString m_iniPath;
    Form1State& m_form;
    Dialogs& m_dialogs;
};
