#pragma once

#include "core/Dialogs.h"

#include <QPointer>
#include <QWidget>

// Message boxes of the attended agent: modal, over the main window, with an OK button only.
class WidgetDialogs final : public Dialogs {
public:
    explicit WidgetDialogs(QWidget* window = nullptr);
    // The window the boxes belong to, once it exists.
    void setWindow(QWidget* window) { m_window = window; }

    using Dialogs::message;
    void message(Icon icon, const QString& title, const QString& text) override;

private:
    QPointer<QWidget> m_window;
};
