#include "core/ConfigScreen.h"

#include "core/ConfigKeys.h"
#include "core/ConfigRules.h"
#include "core/Dialogs.h"
#include "core/Files.h"
#include "core/Form1State.h"
#include "core/IniFile.h"
#include "core/NumberValue.h"

namespace {
QString flag(const Control& c) {
    return c.checked() ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

ConfigScreen::ConfigScreen(QString iniPath, Form1State& form, Dialogs& dialogs)
    : m_iniPath(std::move(iniPath)), m_form(form), m_dialogs(dialogs) {
}

QString ConfigScreen::accessCode() const {
    const QString code =
        LeeIni(m_iniPath, QStringLiteral("CONFIG"), QString::fromLatin1(ConfigKeys::AccessCode));
    return code.isEmpty() ? defaultAccessCode : code;
}

bool ConfigScreen::askCode() {
    m_form.lblPass.setVisible(true);
    m_form.txtPass.setVisible(true);
    return m_form.txtPass.text() == accessCode();
}

void ConfigScreen::btnconfigurarClick() {
    if (!m_form.IpQuarn.enabled())
        unlock();
    else
        save();
}

void ConfigScreen::unlock() {
    if (!askCode())
        return;
    for (Control* c : m_form.configFields())
        c->setEnabled(true);
    m_form.btnconfigurar.setText(QStringLiteral("Guardar"));
}

QStringList ConfigScreen::notesBeforeSaving() const {
    QStringList notes;
    for (const ConfigKeys::Field& field : ConfigKeys::fields) {
        const Control& control = m_form.*field.control;
        if (field.rule == ConfigKeys::Rule::Check || field.rule == ConfigKeys::Rule::Path)
            continue;
        const ConfigRules::Reading r = ConfigRules::read(QString::fromLatin1(field.writeAs), control.text());
        if (r.severity != ConfigRules::Severity::None)
            notes << r.note;
    }
    return notes;
}

void ConfigScreen::save() {
    Form1State& f = m_form;
    const double lifeTest = NumberValue::of(f.lblTestVida.text());
    if (lifeTest < 1 || lifeTest > 24)
        f.lblTestVida.setText(QStringLiteral("1"));
    if (NumberValue::of(f.txtMinSinData.text()) < 30)
        f.txtMinSinData.setText(QStringLiteral("30"));
    // What is typed is saved as typed; the user is told first what the agent will make of it.
    const QStringList notes = notesBeforeSaving();
    if (!notes.isEmpty())
        m_dialogs.message(Dialogs::Icon::Warning, QStringLiteral("Vorn-Net"),
                          QStringLiteral("Se guarda lo escrito, pero al arrancar el agente:\n") +
                              notes.join(QLatin1Char('\n')));

    for (const ConfigKeys::Field& field : ConfigKeys::fields) {
        const Control& control = f.*field.control;
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
            if (f.chkRestart.checked() && !ExisteFichero(fileInFolder(value, QStringLiteral("gsnet.exe")))) {
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

    f.btnconfigurar.setText(QStringLiteral("Configurar"));
    f.lblPass.setVisible(false);
    f.txtPass.setVisible(false);
    f.txtPass.setText(QString());
    for (Control* c : f.configFields())
        c->setEnabled(false);
}
