#include "core/model/WindowCaption.h"

#include "core/model/Control.h"
#include "core/settings/AgentSettings.h"

#include <iterator>

WindowCaption::WindowCaption(Control& form1, const Control& chkOptimiza, const AgentSettings& settings)
    : m_form1(form1), m_chkOptimiza(chkOptimiza), m_settings(settings) {
}

QString WindowCaption::dayName(int day) {
    static const char* const names[] = {"Domingo", "Lunes",   "Martes", "Miercoles",
                                        "Jueves",  "Viernes", "Sabados"};
    return day >= 1 && day <= static_cast<int>(std::size(names)) ? QString::fromLatin1(names[day - 1])
                                                                 : QString();
}

void WindowCaption::remember() {
    m_saved = m_form1.text();
}

void WindowCaption::applyOptimiza() {
    if (!m_chkOptimiza.checked())
        return;
    QString caption = m_saved + QString::fromUtf8(optimizaActiveTag) + dayName(m_settings.DiaOptimiza);
    if (m_settings.DiaOptimiza2 != m_settings.DiaOptimiza)
        caption += QStringLiteral(" y ") + dayName(m_settings.DiaOptimiza2);
    caption += QStringLiteral(" Hora: ") + m_settings.HoraOptimiza;
    m_form1.setText(caption);
}
