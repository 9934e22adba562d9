#include "app/ConfigScreen.h"

#include "core/model/Control.h"
#include "core/model/Dialogs.h"
#include "core/runtime/Files.h"
#include "core/settings/ConfigKeys.h"
#include "core/settings/ConfigRules.h"
#include "core/settings/IniFile.h"
#include "core/settings/NumberValue.h"

namespace {
QString flag(const Control& c) {
    return c.checked() ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

ConfigScreen::ConfigScreen(QString iniPath, View view, Dialogs& dialogs)
    : m_iniPath(std::move(iniPath)), m_view(std::move(view)), m_dialogs(dialogs) {
}

QString ConfigScreen::accessCode() const {
    const QString code =
        LeeIni(m_iniPath, QStringLiteral("CONFIG"), QString::fromLatin1(ConfigKeys::AccessCode));
    return code.isEmpty() ? defaultAccessCode : code;
}

bool ConfigScreen::askCode() {
    m_view.lblPass.setVisible(true);
    m_view.txtPass.setVisible(true);
    return m_view.txtPass.text() == accessCode();
}

void ConfigScreen::btnconfigurarClick() {
    if (!m_view.fields.of(&Form1State::IpQuarn).enabled())
        unlock();
    else
        save();
}

void ConfigScreen::unlock() {
    if (!askCode())
        return;
    for (Control* c : m_view.fields.all())
        c->setEnabled(true);
    m_view.btnconfigurar.setText(QStringLiteral("Guardar"));
}

QStringList ConfigScreen::notesBeforeSaving() const {
    QStringList notes;
    for (const ConfigKeys::Field& field : ConfigKeys::fields) {
        const Control& control = m_view.fields[field];
        if (field.rule == ConfigKeys::Rule::Check || field.rule == ConfigKeys::Rule::Path)
            continue;
        const ConfigRules::Reading r = ConfigRules::read(QString::fromLatin1(field.writeAs), control.text());
        if (r.severity != ConfigRules::Severity::None)
            notes << r.note;
    }
    return notes;
}

void ConfigScreen::save() {
    const ConfigFields& f = m_view.fields;
    Control& lblTestVida = f.of(&Form1State::lblTestVida);
    const double lifeTest = NumberValue::of(lblTestVida.text());
    if (lifeTest < 1 || lifeTest > 24)
        lblTestVida.setText(QStringLiteral("1"));
    Control& txtMinSinData = f.of(&Form1State::txtMinSinData);
    if (NumberValue::of(txtMinSinData.text()) < ConfigRules::minNoDataMinutes)
        txtMinSinData.setText(QString::number(ConfigRules::minNoDataMinutes));
    // What is typed is saved as typed; the user is told first what the agent will make of it.
    const QStringList notes = notesBeforeSaving();
    if (!notes.isEmpty())
        m_dialogs.message(Dialogs::Icon::Warning, QStringLiteral("Vorn-Net"),
                          QStringLiteral("Se guarda lo escrito, pero al arrancar el agente:\n") +
                              notes.join(QLatin1Char('\n')));

    for (const ConfigKeys::Field& field : ConfigKeys::fields) {
        const Control& control = f[field];
        QString value = control.text();
        switch (field.rule) {
        case ConfigKeys::Rule::Check:
            value = flag(control);
            break;
        case ConfigKeys::Rule::MinNoData:
            value = NumberValue::text(NumberValue::of(value));
            break;
        case ConfigKeys::Rule::Path:
            // The path is kept only where the restart can find the supervision system's server.
            if (f.of(&Form1State::chkRestart).checked() &&
                !ExisteFichero(fileInFolder(value, QStringLiteral("gsnet.exe")))) {
                m_dialogs.message(QStringLiteral("No se encuentra Gelmar Net en la ruta especificada"));
                continue;
            }
            break;
        case ConfigKeys::Rule::Text:
        case ConfigKeys::Rule::LifeTest:
        case ConfigKeys::Rule::Port:
            break;
        }
        EscribeIni(m_iniPath, QStringLiteral("CONFIG"), QString::fromLatin1(field.writeAs), value);
    }

    m_view.btnconfigurar.setText(QStringLiteral("Configurar"));
    leave();
    for (Control* c : f.all())
        c->setEnabled(false);
}

void ConfigScreen::leave() {
    m_view.lblPass.setVisible(false);
    m_view.txtPass.setVisible(false);
    m_view.txtPass.setText(QString());
}
