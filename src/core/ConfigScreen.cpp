#include "core/ConfigScreen.h"

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
    const QString code = LeeIni(m_iniPath, QStringLiteral("CONFIG"), QStringLiteral("AccessCode"));
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

void ConfigScreen::write(const char* key, const QString& value) {
    EscribeIni(m_iniPath, QStringLiteral("CONFIG"), QString::fromLatin1(key), value);
}

void ConfigScreen::save() {
    Form1State& f = m_form;
    const double lifeTest = NumberValue::of(f.lblTestVida.text());
    if (lifeTest < 1 || lifeTest > 24)
        f.lblTestVida.setText(QStringLiteral("1"));

    write("RemotePort", f.lblPuerto.text());
    write("IpQuarnCenter", f.IpQuarn.text());
    write("LifeTest", f.lblTestVida.text());
    write("RemotePortA", f.lblPuertoA.text());
    write("IpQuarnCenterA", f.IpQuarnA.text());
    write("RemotePortB", f.lblPuertoB.text());
    write("IpQuarnCenterB", f.IpQuarnB.text());
    write("chkRestart", flag(f.chkRestart));
    write("chkOptimiza", flag(f.chkOptimiza));

    if (NumberValue::of(f.txtMinSinData.text()) < 30)
        f.txtMinSinData.setText(QStringLiteral("30"));
    write("MinNoData", NumberValue::text(NumberValue::of(f.txtMinSinData.text())));

    if (f.chkRestart.checked() &&
        !ExisteFichero(fileInFolder(f.txtPathGelmar.text(), QStringLiteral("gsnet.exe"))))
        m_dialogs.message(QStringLiteral("No se encuentra Gelmar Net en la ruta especificada"));
    else
        write("pathGelmar", f.txtPathGelmar.text());

    write("chkAlarms", flag(f.chkAlarms));
    write("difTime", f.txtDifHoraria.text());
    write("SmsEnabled", flag(f.chkSMSEnabled));
    write("ComPort", f.txtComPort.text());
    write("Recipient", f.txtRecipient.text());
    write("MaxNoNet", f.txtMaxNoNet.text());

    f.btnconfigurar.setText(QStringLiteral("Configurar"));
    f.lblPass.setVisible(false);
    f.txtPass.setVisible(false);
    f.txtPass.setText(QString());
    for (Control* c : f.configFields())
        c->setEnabled(false);
}
