#pragma once

#include <QColor>
#include <QString>
#include <functional>

class Control;

// What holds the controls: each control registers itself with its owner as it is built, so no list of
// controls is written by hand.
class ControlOwner {
public:
    virtual void adopt(Control& control) = 0;

protected:
    ~ControlOwner() = default;
};

// What one control of the main window shows. The logic reads and writes these; the window mirrors them.
// Every change calls the owner's notifier so the window can refresh once for a batch of changes.
class Control {
public:
    Control(QString name, QString text = {}) : m_name(std::move(name)), m_text(std::move(text)) {}
    Control(ControlOwner& owner, QString name, QString text = {})
        : Control(std::move(name), std::move(text)) {
        owner.adopt(*this);
    }
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const QString& name() const { return m_name; }

    const QString& text() const { return m_text; }
    void setText(const QString& v) { set(m_text, v); }
    const QString& toolTip() const { return m_toolTip; }
    void setToolTip(const QString& v) { set(m_toolTip, v); }
    QColor background() const { return m_background; }
    void setBackground(const QColor& v) { set(m_background, v); }
    QColor foreground() const { return m_foreground; }
    void setForeground(const QColor& v) { set(m_foreground, v); }
    bool visible() const { return m_visible; }
    void setVisible(bool v) { set(m_visible, v); }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool v) { set(m_enabled, v); }
    bool checked() const { return m_checked; }
    void setChecked(bool v) { set(m_checked, v); }
    int value() const { return m_value; }
    void setValue(int v) { set(m_value, v); }

    // A field that holds what nobody but the typist may read (the access code): what the agent tells
    // about its window (--status) shows it empty.
    bool secret() const { return m_secret; }
    void setSecret() { m_secret = true; }

    void setNotifier(std::function<void()> notify) { m_notify = std::move(notify); }

private:
    template <typename T> void set(T& field, const T& v) {
        if (field == v)
            return;
        field = v;
        if (m_notify)
            m_notify();
    }

    QString m_name;
    QString m_text;
    QString m_toolTip;
    QColor m_background; // invalid: the control's own colour
    QColor m_foreground;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_checked = false;
    int m_value = 0;
    bool m_secret = false;
    std::function<void()> m_notify;
};
