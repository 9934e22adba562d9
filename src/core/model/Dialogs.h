#pragma once

#include <QString>
#include <utility>

// Message boxes of the agent. A step never builds a box itself. In the window a box waits for its click
// only while a Blocking is held (the load, whose boxes may end the program); any other box (the
// periodic work's, a reconnect's) is shown and the call returns at once, so the work goes on as it does
// unattended. In unattended mode the text goes to standard error and the call returns at once, as if OK
// was pressed.
class Dialogs {
public:
    enum class Icon { None, Information, Warning, Critical };

    // Title that a box without a title of its own carries.
    static inline const QString defaultTitle = QStringLiteral("VORNNET");
    // Title of the boxes that tell a failure.
    static inline const QString errorTitle = QStringLiteral("Error Vorn-Net");

    // While one is alive, boxes wait for their click.
    class Blocking {
    public:
        explicit Blocking(Dialogs& dialogs) : m_dialogs(&dialogs) { ++m_dialogs->m_blocking; }
        Blocking(Blocking&& other) noexcept : m_dialogs(std::exchange(other.m_dialogs, nullptr)) {}
        Blocking(const Blocking&) = delete;
        Blocking& operator=(const Blocking&) = delete;
        Blocking& operator=(Blocking&&) = delete;
        ~Blocking() {
            if (m_dialogs)
                --m_dialogs->m_blocking;
        }

    private:
        Dialogs* m_dialogs;
    };

    virtual ~Dialogs() = default;
    // Returns when the box has been closed while blocking, at once otherwise.
    virtual void message(Icon icon, const QString& title, const QString& text) = 0;
    void message(const QString& text) { message(Icon::None, defaultTitle, text); }

    [[nodiscard]] Blocking blocking() { return Blocking(*this); }
    bool blocks() const { return m_blocking > 0; }

private:
    int m_blocking = 0;
};

class UnattendedDialogs final : public Dialogs {
public:
    using Dialogs::message;
    void message(Icon icon, const QString& title, const QString& text) override;
};
