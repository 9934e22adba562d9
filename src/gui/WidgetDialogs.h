#pragma once

#include "core/model/Dialogs.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class QMessageBox;

// Message boxes of the attended agent, over the main window, with an OK button only: modal while the
// dialogs block, otherwise left open without waiting, one at a time for each text so that a fault told
// at every run does not pile them up.
class WidgetDialogs final : public Dialogs {
public:
    explicit WidgetDialogs(QWidget* window = nullptr);
    // The window the boxes belong to, once it exists.
    void setWindow(QWidget* window) { m_window = window; }

    using Dialogs::message;
    void message(Icon icon, const QString& title, const QString& text) override;

private:
    QPointer<QWidget> m_window;
    // The boxes left open, by title and text; an entry whose box was closed holds null.
    QHash<QString, QPointer<QMessageBox>> m_open;
};
