#pragma once

#include <QString>

// Message boxes of the agent. A step never builds a box itself: in the window it is modal, in
// unattended mode the text goes to standard error and the call returns at once, as if OK was pressed.
class Dialogs {
public:
    enum class Icon { None, Information, Warning, Critical };

    // Title that a box without a title of its own carries.
    static inline const QString defaultTitle = QStringLiteral("VORNNET");
    // Title of the boxes that tell a failure.
    static inline const QString errorTitle = QStringLiteral("Error Vorn-Net");

    virtual ~Dialogs() = default;
    // Returns when the box has been closed.
    virtual void message(Icon icon, const QString& title, const QString& text) = 0;
    void message(const QString& text) { message(Icon::None, defaultTitle, text); }
};

class UnattendedDialogs final : public Dialogs {
public:
    using Dialogs::message;
    void message(Icon icon, const QString& title, const QString& text) override;
};
