#include "gui/WidgetDialogs.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(Dialogs::Icon icon) {
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Critical:
        return QMessageBox::Critical;
    case Dialogs::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

WidgetDialogs::WidgetDialogs(QWidget* window) : m_window(window) {
}

void WidgetDialogs::message(Icon icon, const QString& title, const QString& text) {
    QMessageBox box(boxIcon(icon), title.isEmpty() ? defaultTitle : title, text, QMessageBox::Ok, m_window);
    box.exec();
}
