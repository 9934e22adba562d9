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
    const QString shownTitle = title.isEmpty() ? defaultTitle : title;
    if (blocks()) {
        QMessageBox box(boxIcon(icon), shownTitle, text, QMessageBox::Ok, m_window);
        box.exec();
        return;
    }
    m_open.removeIf([](const auto& entry) { return entry.value().isNull(); });
    const QString key = shownTitle + QLatin1Char('\n') + text;
    if (QMessageBox* open = m_open.value(key)) {
        open->raise();
        return;
    }
    auto* box = new QMessageBox(boxIcon(icon), shownTitle, text, QMessageBox::Ok, m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    m_open.insert(key, box);
}
