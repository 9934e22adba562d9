#pragma once

#include <QString>

class Dialogs;
class Form1State;

// The locked group of settings fields in the main window: the access code unlocks it, the same button
// then saves every field to vornnet.ini and locks it again.
class ConfigScreen {
public:
    static inline const QString accessCode = QStringLiteral("TUP3");

    ConfigScreen(QString iniPath, Form1State& form, Dialogs& dialogs);

    // One press of btnconfigurar.
    void btnconfigurarClick();

    // True when txtPass holds the access code; shows the password field either way.
    static bool askCode(Form1State& form);

private:
    void unlock();
    void save();

    QString m_iniPath;
    Form1State& m_form;
    Dialogs& m_dialogs;
};
