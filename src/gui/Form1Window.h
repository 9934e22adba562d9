#pragma once

#include <QHash>
#include <QList>
#include <QPalette>
#include <QWidget>
#include <memory>

class Control;
class Form1State;
class QCloseEvent;

namespace Ui {
class Form1Window;
}

// The main window: a thin view of Form1State. Every named control of the model has a widget of the same
// name in form1.ui; the window copies the model into those widgets after each batch of changes and copies
// the user's edits back. Clicks are only reported; the composition root connects them to the logic.
class Form1Window : public QWidget {
    Q_OBJECT
public:
    explicit Form1Window(Form1State& state, QWidget* parent = nullptr);
    ~Form1Window() override;

    Form1State& state() const { return m_state; }

    // Set by the program's own unload: from then on a close really closes instead of hiding.
    void allowClose() { m_closeAllowed = true; }

public slots:
    // Copies the whole model into the widgets now, without waiting for the next changed().
    void refresh();
    // Shows the window in its normal state (neither minimised nor maximised), as the tray menu asks.
    void restore();

signals:
    void configurarClicked();
    void cerrarClicked();
    void minimizarClicked();
    // The title bar's close box: the window stays open, and the logic decides where it goes.
    void closeBoxClicked();
    void logClicked();
    void image1Clicked();
    void label5Clicked();
    void lblTimeClicked();
    void reindexClicked();
    void repHistClicked();
    void testSmsClicked();
    void lblErrorSMSClicked();
    // After the model holds the box's new state.
    void chkAlarmsClicked();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Binding {
        Control* control;
        QWidget* widget;
        QPalette basePalette;
        bool baseAutoFill;
    };

    void bindControls();
    void apply(const Binding& b);
    void applyColours(const Binding& b);

    std::unique_ptr<Ui::Form1Window> m_ui;
    Form1State& m_state;
    QList<Binding> m_bindings;
    bool m_closeAllowed = false;
};
